#!/usr/bin/env bash
# Installs a build into a temporary prefix, then builds and runs the
# consumer project against it twice, through find_package(chimekit) and
# through pkg-config (check_tree.sh), and imports the Python package
# installed with pip without libraries of its own against the same
# libraries.
# Usage: check_install.sh BUILD_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/pre fix"
cmake --install "$1" --prefix "$prefix" > "$work/install.log"
"$here/check_tree.sh" "$prefix"
libdir=$(dirname "$(find "$prefix" -name 'libchimekit.so' | head -n 1)")
song="$root/examples/ringtone.mid"

# The Python package without libraries of its own, for those who bring
# theirs: CHIMEKIT_LIBRARY_DIR names the installed tree's. pip builds in the
# folder it is given: a copy keeps the sources clean. The project beside
# it gives the package its version.
cp -r "$root/python" "$work/python"
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
CHIMEKIT_SKIP_LIBRARY_BUILD=1 CHIMEKIT_SOURCE_DIR="$root" "$work/venv/bin/pip" install --quiet --no-build-isolation \
  --no-index "$work/python" > "$work/pip.log"
got=$(cd "$work" && CHIMEKIT_LIBRARY_DIR="$libdir" "$work/venv/bin/python" -c \
  'import chimekit, sys; print(chimekit.get_length_ms(sys.argv[1]), chimekit._library._library("chimekit")._name, chimekit.__version__)' "$song")
expected="8000 $libdir/libchimekit.so $(cat "$root/VERSION")"
[ "$got" = "$expected" ] || { echo "the pip-installed package printed '$got', not '$expected'"; exit 1; }
echo "installed tree used through find_package, pkg-config and pip: as expected"
