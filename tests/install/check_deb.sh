#!/usr/bin/env bash
# Makes the Debian package of a build with CPack and checks it without
# installing it: its name, control fields and dependencies (dpkg-deb
# --info), its files and their owners and modes (--contents), lintian (no
# error), and the tree unpacked with dpkg-deb -x used by the consumer
# project (check_tree.sh). The manual page and the completion in it must be
# those of the build.
# Usage: check_deb.sh BUILD_FOLDER VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb="$work/out/chimekit_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no $(basename "$deb") among: $(ls "$work/out")"; exit 1; }

# Control fields: NAME REGEX, one a line.
info=$(dpkg-deb --field "$deb")
while read -r field pattern; do
  value=$(sed -n "s/^$field: //p" <<<"$info")
  [[ $value =~ $pattern ]] || fail "$field is '$value', not /$pattern/"
done <<EOF_FIELDS
Package ^chimekit$
Version ^${version//./\\.}$
Architecture ^$(dpkg --print-architecture)$
Maintainer ^[^<]+\ <[^@>]+@[^>]+>$
Section ^[a-z]+$
Priority ^optional$
Homepage ^https?://
Depends (^|\ )libc6\ \(>=.*libstdc\+\+6\ \(>=
Description ^[^ ].{9,78}[^.]$
EOF_FIELDS
# Here-strings, not pipes: grep -q leaves at the first match, and the
# writer's broken pipe would fail the pipeline.
grep -q '^  This package holds' <<<"$(dpkg-deb --info "$deb")" || fail "no long description"

# Files: every path the package must hold; all of them root's, none writable
# by group or others, nothing outside /usr.
contents=$(dpkg-deb --contents "$deb")
for path in usr/bin/chimekit usr/lib/libchimekit.so usr/lib/libReshaper.so usr/lib/libchimekit_jobs.so \
            usr/include/chimekit.h usr/include/reshaper.h usr/include/chimekit_jobs.h \
            usr/lib/cmake/chimekit/chimekitConfig.cmake \
            usr/lib/cmake/chimekit/chimekitTargets.cmake usr/lib/pkgconfig/chimekit.pc \
            usr/lib/pkgconfig/reshaper.pc usr/share/man/man1/chimekit.1.gz \
            usr/share/bash-completion/completions/chimekit usr/share/doc/chimekit/copyright \
            usr/share/doc/chimekit/changelog.gz; do
  grep -q " \./$path$" <<<"$contents" || fail "the package lacks /$path"
done
grep -q '^-rwxr-xr-x root/root .* \./usr/bin/chimekit$' <<<"$contents" || fail "usr/bin/chimekit is not an executable of root's"
bad=$(awk '$2 != "root/root" || $1 ~ /^.....w|^........w/ || $6 !~ /^\.\/(usr\/.*)?$/' <<<"$contents")
[ -z "$bad" ] || fail "owned by another than root, writable by group or others, or outside /usr: $bad"

lintian --fail-on error "$deb" > "$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
echo "lintian: $(grep -c '^E: ' "$work/lintian.log" || true) errors, $(grep -c '^W: ' "$work/lintian.log" || true) warnings"

dpkg-deb -x "$deb" "$work/root"
cmp -s "$work/root/usr/share/man/man1/chimekit.1.gz" "$build/chimekit.1.gz" || fail "the manual page is not the build's"
cmp -s "$work/root/usr/share/bash-completion/completions/chimekit" "$build/chimekit.bash" || fail "the completion is not the build's"
grep -q '\.debug_info' <<<"$(readelf -S "$work/root/usr/lib/libchimekit.so")" && fail "libchimekit.so is not stripped"
"$here/check_tree.sh" "$work/root/usr" || fail "the unpacked tree does not serve the consumer project"

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): fields, files, lintian and the unpacked tree as expected"
