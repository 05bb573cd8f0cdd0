#!/usr/bin/env bash
# Uses an installed tree (a prefix of cmake --install, or usr/ of an
# unpacked Debian package) as a host project would: builds and runs the
# consumer project through find_package(chimekit) and through pkg-config,
# runs the tool, and looks for its manual page and bash completion.
# Usage: check_tree.sh PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
prefix=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
song="$root/examples/ringtone.mid"
# A format 0 song: 8000 ms long; a missing input is status 2; Reshaper
# refuses a format 0 input with -4.
expected="0 8000 2 -4"
libdir=$(dirname "$(find "$prefix" -name 'libchimekit.so' | head -n 1)")
for file in bin/chimekit include/chimekit.h include/reshaper.h include/chimekit_jobs.h share/man/man1/chimekit.1.gz \
            share/bash-completion/completions/chimekit; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

cmake -S "$here/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > "$work/cmake.log"
cmake --build "$work/cmake" > "$work/build.log"
got=$("$work/cmake/consumer" "$song" "$work/out.mid")
[ "$got" = "$expected" ] || { echo "find_package consumer printed '$got', not '$expected'"; exit 1; }
# The jobs library: the song's ringtone with `chimekit ringtone`'s defaults.
got=$("$work/cmake/jobs_consumer" "$song")
[ "$got" = "0 MMMD 79" ] || { echo "find_package jobs consumer printed '$got', not '0 MMMD 79'"; exit 1; }

# pkg-config escapes the space of a prefix; eval reads it back.
eval "flags=($(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs chimekit reshaper))"
cc -o "$work/pc-consumer" "$here/consumer/consumer.c" "${flags[@]}"
got=$(LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" "$song" "$work/out.mid")
[ "$got" = "$expected" ] || { echo "pkg-config consumer printed '$got', not '$expected'"; exit 1; }

got=$("$prefix/bin/chimekit" length "$song")
[ "$got" = 8000 ] || { echo "the installed tool printed '$got'"; exit 1; }
