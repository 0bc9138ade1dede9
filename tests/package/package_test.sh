#!/usr/bin/env bash
# Builds the Debian package from a build tree into a private directory (as
# `make package` does, without touching the tree's own package) and lets
# lintian, desktop-file-validate and appstreamcli judge it. The first two
# print nothing for a clean package; any line they print fails the test, so
# that informational notes do not pile up unseen either.
set -uo pipefail
build=$1
source_dir=$2

fail() { echo "FAIL: $*"; exit 1; }

for tool in cpack lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d "$build/package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/*.deb)
[ -f "${debs[0]}" ] || fail "cpack wrote no .deb"

# CI runs as root; lintian only warns about it, and the package is not
# unpacked anywhere but in lintian's own temporary directory.
report=$(lintian --allow-root --fail-on error,warning "${debs[@]}" 2>&1) && [ -z "$report" ] ||
  fail "lintian:"$'\n'"$report"
report=$(desktop-file-validate "$source_dir/resources/tavrix.desktop" 2>&1) && [ -z "$report" ] ||
  fail "desktop-file-validate:"$'\n'"$report"

# The installed tree as a software centre reads it: the metainfo, the
# desktop entry it launches and the icons that entry names.
tree=$work/tree
dpkg-deb -x "${debs[0]}" "$tree" || fail "dpkg-deb cannot unpack ${debs[0]##*/}"
report=$(appstreamcli validate-tree --no-net --strict "$tree/usr" 2>&1) ||
  fail "appstreamcli validate-tree:"$'\n'"$report"
for size in 16 32 48 64 128 256; do
  [ -f "$tree/usr/share/icons/hicolor/${size}x${size}/apps/tavrix.png" ] || fail "no ${size}x${size} icon"
done
[ -f "$tree/usr/share/icons/hicolor/scalable/apps/tavrix.svg" ] || fail "no scalable icon"

echo "package: lintian, desktop-file-validate and appstreamcli are silent on ${debs[0]##*/}"
