#!/usr/bin/env bash
# Runs scripts/demo.sh twice with the window on the offscreen platform:
# once closed by TAVRIX_DEMO_SECONDS, once stopped by SIGTERM while the
# window is up. Each time the lab must have answered a scan with the whole
# fleet (two devices share an address), written its address list, and left
# no namespace behind. During the second run the command-line client checks
# the fleet's difficult devices: one refuses, one never answers a change,
# and an ordinary one moves and answers from its new address.
set -uo pipefail
build=$1
source_dir=$2

fail() { echo "FAIL: $*"; [ -n "${out:-}" ] && [ -f "$out" ] && sed 's/^/  | /' "$out"; exit 1; }

if [ "$(id -u)" -ne 0 ] || ! ip netns list >/dev/null 2>&1; then
  [ "${TAVRIX_REQUIRE_NETNS:-}" = 1 ] && fail "needs root and ip netns (TAVRIX_REQUIRE_NETNS=1)"
  echo "SKIPPED: needs root and ip netns"
  exit 77
fi

work=$(mktemp -d "$build/demo-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

check_lab() {
  grep -q 'make demo: 40 devices answer' "$out" || fail "the lab did not answer with 40 devices"
  [ "$(grep -c '^00:1A:2B' "$work/addresses.txt")" -eq 13 ] || fail "address list incomplete"
  grep -q 'test LAN torn down' "$out" || fail "no teardown reported"
  local names
  names=$(grep -o 'tvx[0-9]*-demo-[a-z]*' "$out" | sort -u)
  [ "$(echo "$names" | wc -l)" -eq 2 ] || fail "expected two namespaces, saw: $names"
  for ns in $names; do
    ip netns list | grep -qw "$ns" && fail "namespace $ns left behind"
  done
  return 0
}

# The demo writes as root; a directory given as a symlink is refused before
# anything is written or set up.
ln -s "$work" "$work/link"
out=$work/refused.log
TAVRIX_DEMO_SECONDS=1 TAVRIX_DEMO_DIR=$work/link QT_QPA_PLATFORM=offscreen \
  bash "$source_dir/scripts/demo.sh" "$build" >"$out" 2>&1 && fail "a symlinked TAVRIX_DEMO_DIR was accepted"
grep -q 'symlinks are refused' "$out" || fail "no reason given for refusing the symlink"

out=$work/bounded.log
TAVRIX_DEMO_SECONDS=4 TAVRIX_DEMO_DIR=$work QT_QPA_PLATFORM=offscreen \
  bash "$source_dir/scripts/demo.sh" "$build" >"$out" 2>&1 || fail "bounded demo ended with status $?"
grep -q 'closing the window after 4 s' "$out" || fail "the window was not started"
check_lab

out=$work/signalled.log
TAVRIX_DEMO_SECONDS=120 TAVRIX_DEMO_DIR=$work QT_QPA_PLATFORM=offscreen \
  bash "$source_dir/scripts/demo.sh" "$build" >"$out" 2>&1 &
demo=$!
for _ in $(seq 600); do
  grep -q 'closing the window after' "$out" && break
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
# While the window is up, the fleet behaves as the README promises.
pc_ns=$(grep -o 'tvx[0-9]*-demo-pc' "$out" | head -n1)
[ -n "$pc_ns" ] || fail "the lab did not come up"
cli() { ip netns exec "$pc_ns" "$build/tools/cli/tavrix-cli" "$@"; }
set_device() {
  echo kefo | cli set --mac "$1" --static "$2" 255.255.255.0 192.168.10.1 168.126.63.1 --user root --password-stdin \
    >/dev/null 2>&1
}
set_device 00:1A:2B:10:00:27 192.168.10.239; [ $? -eq 4 ] || fail "NVT-LOCKED should refuse (exit 4)"
set_device 00:1A:2B:10:00:28 192.168.10.240; [ $? -eq 1 ] || fail "NVT-MUTE should not answer (exit 1)"
set_device 00:1A:2B:10:00:01 192.168.10.201 || fail "device 1 should accept its change"
for try in $(seq 11); do
  [ "$try" -le 10 ] || fail "device 1 never answered from 192.168.10.201"
  cli scan | grep -q '192\.168\.10\.201' && break
done
kill -TERM "$demo"
wait "$demo"
status=$?
[ "$status" -eq 143 ] || fail "a stopped demo should end with status 143, not $status"
check_lab
pgrep -f "nvtsim --broadcast lan0 --fleet $work/" >/dev/null && fail "simulator left running"
echo "demo: bounded run and signalled run both tore the lab down"
