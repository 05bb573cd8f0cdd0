#!/usr/bin/env bash
# Installs a build into a temporary prefix, then builds and runs the
# consumer project against it twice, through find_package(chimekit) and
# through pkg-config, and imports the Python package installed with pip
# against the same libraries.
# Usage: check_install.sh BUILD_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/pre fix"
cmake --install "$1" --prefix "$prefix" > "$work/install.log"
song="$root/examples/ringtone.mid"
# A format 0 song: 8000 ms long; a missing input is status 2; Reshaper
# refuses a format 0 input with -4.
expected="0 8000 2 -4"
libdir=$(dirname "$(find "$prefix" -name 'libchimekit.so' | head -n 1)")
for file in bin/chimekit include/chimekit.h include/reshaper.h; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

cmake -S "$here/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > "$work/cmake.log"
cmake --build "$work/cmake" > "$work/build.log"
got=$("$work/cmake/consumer" "$song" "$work/out.mid")
[ "$got" = "$expected" ] || { echo "find_package consumer printed '$got', not '$expected'"; exit 1; }

# pkg-config escapes the space of the prefix; eval reads it back.
eval "flags=($(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs chimekit reshaper))"
cc -o "$work/pc-consumer" "$here/consumer/consumer.c" "${flags[@]}"
got=$(LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" "$song" "$work/out.mid")
[ "$got" = "$expected" ] || { echo "pkg-config consumer printed '$got', not '$expected'"; exit 1; }

# pip builds in the folder it is given: a copy keeps the sources clean.
cp -r "$root/python" "$work/python"
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-build-isolation --no-index "$work/python" > "$work/pip.log"
got=$(cd "$work" && CHIMEKIT_LIBRARY_DIR="$libdir" "$work/venv/bin/python" -c \
  'import chimekit, sys; print(chimekit.get_length_ms(sys.argv[1]))' "$song")
[ "$got" = 8000 ] || { echo "the pip-installed package printed '$got'"; exit 1; }
echo "installed tree used through find_package, pkg-config and pip: as expected"
