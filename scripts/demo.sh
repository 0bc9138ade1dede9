#!/usr/bin/env bash
# `make demo`: the real Tavrix window on a private test LAN of simulated
# devices, so that a newcomer can scan, re-address and verify a fleet without
# owning one.
#
# The LAN is two network namespaces joined by a veth pair: "PC", where the
# window runs with its unmodified defaults (broadcasts to 255.255.255.255,
# ports 32153/32154), and "devices", where nvtsim plays about 40 devices and
# answers by broadcast as devices on a real LAN do. Nothing is added to this
# machine's own interfaces, so no packet of the demo can reach a real
# network. Whatever way the script ends (window closed, Ctrl-C, kill), the
# trap stops the simulator and deletes both namespaces; namespaces left by a
# run killed with SIGKILL carry its process id and are swept by the next run.
#
#   scripts/demo.sh --preflight    checks display and privileges only (cheap,
#                                  runs before the build)
#   scripts/demo.sh [BUILD]        runs the demo from a build tree
#
# Environment: TAVRIX_DEMO_SECONDS=N closes the window after N seconds (for
# headless checks, with QT_QPA_PLATFORM=offscreen or under xvfb-run);
# TAVRIX_DEMO_DIR is where the fleet, the address list and the simulator log
# are written and kept (default: a fresh private directory, removed at exit).
# The script writes there as root, so a given directory must be the caller's
# own after sudo (root's), a real directory and closed to other users: any
# user able to put a symlink in it could make root overwrite any file.
set -euo pipefail

say() { echo "make demo: $*"; }
die() { echo "make demo: $*" >&2; exit 1; }

headless_platform() {
  case "${QT_QPA_PLATFORM:-}" in offscreen*|minimal*|vnc*) return 0 ;; esac
  return 1
}

check_display() {
  if headless_platform; then return 0; fi
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "make demo: no desktop display (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run it from a desktop session or over 'ssh -X', or headless for a check:" >&2
    echo "  sudo TAVRIX_DEMO_SECONDS=10 QT_QPA_PLATFORM=offscreen make demo" >&2
    exit 1
  fi
}

check_privileges() {
  if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
    die "the test LAN needs root (network namespaces); run as root or install sudo."
  fi
}

# Runs the rest as root, keeping what the window needs to reach the
# operator's display.
become_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  say "the test LAN needs root; asking sudo."
  exec sudo --preserve-env=DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,XDG_RUNTIME_DIR,QT_QPA_PLATFORM,TAVRIX_DEMO_SECONDS,TAVRIX_DEMO_DIR \
    bash "$0" "$@"
}

if [ "${1:-}" = "--preflight" ]; then
  check_display
  check_privileges
  exit 0
fi

check_display
check_privileges
become_root "$@"

build=$(cd "${1:-build}" && pwd)
app=$build/ui/main/tavrix
cli=$build/tools/cli/tavrix-cli
sim=$build/tools/nvtsim/nvtsim
for program in "$app" "$cli" "$sim"; do
  [ -x "$program" ] || die "$program is missing; build first (make build)."
done
command -v ip >/dev/null || die "'ip' (iproute2) is missing."

# Under sudo the X authority file is the invoking user's, not root's.
if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -n "${SUDO_USER:-}" ]; then
  user_home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
  [ -r "$user_home/.Xauthority" ] && export XAUTHORITY=$user_home/.Xauthority
fi

demo_dir=""
own_demo_dir=""
if [ -n "${TAVRIX_DEMO_DIR:-}" ]; then
  demo_dir=$TAVRIX_DEMO_DIR
  if [ -L "$demo_dir" ] || [ ! -d "$demo_dir" ]; then
    die "TAVRIX_DEMO_DIR=$demo_dir is not a directory (symlinks are refused)."
  fi
  [ "$(stat -c %u "$demo_dir")" -eq "$(id -u)" ] ||
    die "TAVRIX_DEMO_DIR=$demo_dir is not owned by $(id -un), who writes there."
  (( 8#$(stat -c %a "$demo_dir") & 8#022 )) &&
    die "TAVRIX_DEMO_DIR=$demo_dir is writable by group or others."
fi
pc_ns=tvx$$-demo-pc
dev_ns=tvx$$-demo-nvt
sim_pid=""
app_pid=""

# Namespaces of earlier demos whose process is gone.
for stale in $(ip netns list 2>/dev/null | awk '{print $1}' | grep -E '^tvx[0-9]+-demo-' || true); do
  pid=${stale#tvx}; pid=${pid%%-*}
  kill -0 "$pid" 2>/dev/null || ip netns del "$stale" 2>/dev/null || true
done

teardown() {
  local status=$?
  trap - EXIT INT TERM
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  ip netns del "$pc_ns" 2>/dev/null || true
  ip netns del "$dev_ns" 2>/dev/null || true
  [ -n "$own_demo_dir" ] && rm -rf "$own_demo_dir"
  say "test LAN torn down ($pc_ns, $dev_ns deleted)."
  exit "$status"
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "$demo_dir" ]; then
  demo_dir=$(mktemp -d "${TMPDIR:-/tmp}/tavrix-demo.XXXXXX")
  own_demo_dir=$demo_dir
  # Readable, so that the operator can look at the address list; still
  # writable by root alone.
  chmod 755 "$demo_dir"
fi
fleet=$demo_dir/fleet.txt
addresses=$demo_dir/addresses.txt
bash "$(dirname "$0")/demo-fleet.sh" "$fleet" "$addresses"

ip netns add "$pc_ns"
ip netns add "$dev_ns"
for ns in "$pc_ns" "$dev_ns"; do
  ip -n "$ns" link set lo up
  # Devices answer from addresses outside the PC's subnet.
  ip netns exec "$ns" sysctl -q -w net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
done
ip link add name eth0 netns "$pc_ns" type veth peer name lan0 netns "$dev_ns"
ip -n "$pc_ns" addr add 192.168.10.1/24 dev eth0
ip -n "$dev_ns" addr add 192.168.10.250/24 dev lan0
ip -n "$pc_ns" link set eth0 up
ip -n "$dev_ns" link set lan0 up

sim_log=$demo_dir/nvtsim.log
ip netns exec "$dev_ns" "$sim" --broadcast lan0 --fleet "$fleet" --dhcp-first 192.168.10.180 --verbose >"$sim_log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^nvtsim ready' "$sim_log" && break
  kill -0 "$sim_pid" 2>/dev/null || die "the simulator did not start: $(cat "$sim_log")"
  sleep 0.1
done
grep -q '^nvtsim ready' "$sim_log" || die "the simulator did not get ready in 10 s: $(cat "$sim_log")"

answering=$(ip netns exec "$pc_ns" "$cli" scan | grep -c . || true)
say "test LAN up: PC namespace $pc_ns (192.168.10.1/24), devices in $dev_ns."
say "$answering devices answer a scan from the PC namespace."
say "address list for a batch change: $addresses"
[ -n "$own_demo_dir" ] && say "$demo_dir is removed when the demo ends (TAVRIX_DEMO_DIR keeps the files)."
say "simulator log: $sim_log"
cat <<EOF

  In the window:
   1. "NVT Scan"          the fleet appears; two rows share 192.168.10.116
                          and are marked "IP address collision".
   2. One device:         select a row, edit "IP address :" in
                          "NVT network info.", press "Apply", confirm, log in
                          with ID root, password kefo. The row turns
                          "Checking ip address ..." and then
                          "IP address has changed.".
   3. A batch:            tick the header check box, press "NVT setting",
                          keep "Change IP through file", "Select"
                          $addresses,
                          "View" to review it, confirm twice. NVT-LOCKED
                          refuses and NVT-MUTE never answers; the others move
                          and are verified one by one.
   4. Close the window:   the test LAN is torn down.

EOF

# The window runs in the background so that a signal to this script is
# handled at once (the trap then closes the window too).
launch=(ip netns exec "$pc_ns" "$app")
if [ -n "${TAVRIX_DEMO_SECONDS:-}" ]; then
  say "closing the window after $TAVRIX_DEMO_SECONDS s (TAVRIX_DEMO_SECONDS)."
  launch=(timeout --signal=TERM "$TAVRIX_DEMO_SECONDS" "${launch[@]}")
fi
"${launch[@]}" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=""
# 124: closed by TAVRIX_DEMO_SECONDS, as asked.
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || die "the window ended with status $status."
