#!/usr/bin/env bash
# pip install ./python as a new user does it, offline with the system's
# setuptools: from a clean copy of the tree (its tracked and new files, no
# build folder) into a fresh virtual environment. The package must build and
# carry its libraries, be a wheel for this platform, and work with the copy
# deleted and without CHIMEKIT_LIBRARY_DIR. An sdist made in that copy must
# carry a project that CMake configures with no tree beside it (not built
# again: one build of the libraries is this test's time).
# Usage: check_pip.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
song="$work/ringtone.mid"
cp "$root/examples/ringtone.mid" "$song"
version=$(cat "$root/VERSION")

# The installed package loads its own libraries and calls each: the song's
# length, Reshaper's -4 for a format 0 input, the notes of its ringtone; it
# carries the project's version, licence and homepage.
check_package() {
  local site got
  site=$("$work/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')
  grep -qx 'Tag: py3-none-linux_[a-z0-9_]*' "$site"/chimekit-*.dist-info/WHEEL ||
    { echo "not a wheel for this platform: $(cat "$site"/chimekit-*.dist-info/WHEEL)"; return 1; }
  got=$(cd "$work" && env -u CHIMEKIT_LIBRARY_DIR -u LD_LIBRARY_PATH -u PYTHONPATH "$work/venv/bin/python" -c '
import chimekit, sys
from chimekit import _library
try:
    chimekit.convert_midi(sys.argv[1], sys.argv[1] + ".out")
    reshaper = "converted"
except chimekit.ChimekitError as error:
    reshaper = error.status
ringtone = chimekit.ringtone(sys.argv[1], sys.argv[1] + ".mmf").notes_converted
from importlib import metadata
about = metadata.metadata("chimekit")
print(chimekit.get_length_ms(sys.argv[1]), reshaper, ringtone, *(_library._library(name)._name for name in ("chimekit", "Reshaper", "chimekit_jobs")),
      chimekit.__version__, about["Version"], about["License"], about.get_all("Project-URL"))
' "$song")
  local expected="8000 -4 79 $site/chimekit/libchimekit.so $site/chimekit/libReshaper.so $site/chimekit/libchimekit_jobs.so $version $version MIT ['Homepage, https://chimekit.example/']"
  [ "$got" = "$expected" ] || { echo "the installed package printed '$got', not '$expected'"; return 1; }
}

mkdir "$work/tree"
(cd "$root" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$root" && tar --null --ignore-failed-read -cf - -T - 2>/dev/null) | tar -xf - -C "$work/tree"
[ ! -e "$work/tree/build" ] && [ -f "$work/tree/python/setup.py" ] || { echo "the copy of the tree is not clean"; exit 1; }

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-build-isolation --no-index "$work/tree/python" > "$work/pip.log" 2>&1 ||
  { cat "$work/pip.log"; exit 1; }
(cd "$work/tree/python" && /usr/bin/python3 setup.py -q sdist -d "$work/sdist") > "$work/sdist.log" 2>&1 ||
  { cat "$work/sdist.log"; exit 1; }
rm -rf "$work/tree"
check_package

mkdir "$work/sdist-tree"
tar -xzf "$work"/sdist/chimekit-*.tar.gz -C "$work/sdist-tree"
cmake -S "$work"/sdist-tree/chimekit-*/_project -B "$work/sdist-build" -DCMAKE_BUILD_TYPE=Release \
  -DCHIMEKIT_TESTS=OFF -DCHIMEKIT_BENCH=OFF > "$work/sdist-cmake.log" 2>&1 ||
  { echo "the sdist's project does not configure:"; cat "$work/sdist-cmake.log"; exit 1; }
echo "pip install ./python: a wheel for this platform with its three libraries; its sdist carries the project: as expected"
