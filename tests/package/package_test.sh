#!/usr/bin/env bash
# Builds the Debian package from a build tree into a private directory (as
# `make package` does, without touching the tree's own package) and lets
# lintian, desktop-file-validate and appstreamcli judge it. The first two
# print nothing for a clean package; any line they print fails the test, so
# that informational notes do not pile up unseen either. The files other
# programs read must lie where those programs look: the dissector in the
# folder tshark names for global Lua plugins, the firewall descriptions in
# ufw's and firewalld's folders.
set -uo pipefail
build=$1
source_dir=$2

fail() { echo "FAIL: $*"; exit 1; }

for tool in cpack lintian desktop-file-validate appstreamcli tshark; do
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

lua_folder=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
[ -n "$lua_folder" ] || fail "tshark names no global Lua plugin folder"
for file in "$lua_folder/tavrix-encp.lua" /etc/ufw/applications.d/tavrix /usr/lib/firewalld/services/tavrix.xml; do
  [ -f "$tree$file" ] || fail "the package lacks $file"
done
dpkg-deb -I "${debs[0]}" conffiles | grep -qxF /etc/ufw/applications.d/tavrix || fail "the ufw profile is no conffile"

# The flush helper's own failure (here: no `ip`) must not look like pkexec's
# refused authentication (126, 127), which the window tells differently.
PATH=/nonexistent "$tree/usr/libexec/tavrix/tavrix-flush-neigh" 2>/dev/null
helper_exit=$?
[ $helper_exit -eq 1 ] || fail "the flush helper exits $helper_exit when it cannot flush, not 1"

# The polkit action as polkitd lists it once the package is installed. In a
# mount and PID namespace of its own, the package's actions folder stands in
# for the system's and a private system bus for the real one, so nothing of
# this machine is touched and the daemons end with the namespace.
action=org.tavrix.Tavrix.flush-neighbours
if [ "$(id -u)" -ne 0 ] || [ ! -x /usr/lib/polkit-1/polkitd ] || ! command -v pkaction >/dev/null; then
  echo "SKIP: checking the polkit action needs root, polkitd and pkaction"
else
  mkdir -p /run/dbus
  listed=$(timeout 60 unshare --mount --pid --fork sh -c '
    mount --make-rprivate / && mount -t tmpfs tmpfs /run/dbus &&
      mount --bind "$1" /usr/share/polkit-1/actions || exit 1
    dbus-daemon --system --fork --nopidfile || exit 1
    /usr/lib/polkit-1/polkitd --no-debug &
    for _ in $(seq 100); do
      pkaction --action-id "$2" 2>/dev/null && exit 0
      sleep 0.2
    done
    exit 1' sh "$tree/usr/share/polkit-1/actions" "$action")
  [ "$listed" = "$action" ] || fail "pkaction does not list $action after installing"
fi

echo "package: lintian, desktop-file-validate and appstreamcli are silent on ${debs[0]##*/}"
