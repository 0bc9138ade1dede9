# shellcheck shell=bash
# Private LANs for the shell tests, sourced by them: each LAN is a "PC"
# namespace joined by a veth pair to a "devices" namespace where nvtsim plays
# a fleet and answers by broadcast, as devices on a real LAN do. Nothing is
# added to this machine's own interfaces. Names carry "tvx" and this shell's
# process id, as the C++ lab's do, so a killed run's leftovers are swept by
# the next test that builds a lab.
#
#   lan_require_root             exits 77 (skipped) without root and ip netns,
#                                or fails under TAVRIX_REQUIRE_NETNS=1
#   lan_up TAG PC_CIDR DEV_CIDR FLEET SIM
#                                sets LAN_PC to the PC namespace's name
#   lan_down                     stops every simulator, deletes every LAN
#                                (the caller's EXIT trap calls it)

lan_names=()
lan_sims=()

lan_require_root() {
  if [ "$(id -u)" -eq 0 ] && ip netns list >/dev/null 2>&1; then return 0; fi
  if [ "${TAVRIX_REQUIRE_NETNS:-}" = 1 ]; then
    echo "FAIL: needs root and ip netns (TAVRIX_REQUIRE_NETNS=1)"
    exit 1
  fi
  echo "SKIPPED: needs root and ip netns"
  exit 77
}

lan_up() {
  local tag=$1 pc_cidr=$2 dev_cidr=$3 fleet=$4 sim=$5
  local pc=tvx$$-$tag-pc nvt=tvx$$-$tag-nvt log=$fleet.log ns
  lan_names+=("$pc" "$nvt")
  for ns in "$pc" "$nvt"; do
    ip netns add "$ns" || return 1
    ip -n "$ns" link set lo up
    # Devices may answer from addresses outside the PC's subnet.
    ip netns exec "$ns" sysctl -q -w net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
  done
  ip link add name eth0 netns "$pc" type veth peer name lan0 netns "$nvt" &&
    ip -n "$pc" addr add "$pc_cidr" dev eth0 && ip -n "$nvt" addr add "$dev_cidr" dev lan0 &&
    ip -n "$pc" link set eth0 up && ip -n "$nvt" link set lan0 up || return 1
  ip netns exec "$nvt" "$sim" --broadcast lan0 --fleet "$fleet" --move-delay 50 >"$log" 2>&1 &
  lan_sims+=($!)
  for _ in $(seq 100); do
    grep -q '^nvtsim ready' "$log" && break
    sleep 0.1
  done
  grep -q '^nvtsim ready' "$log" || { echo "nvtsim did not start: $(cat "$log")"; return 1; }
  LAN_PC=$pc
}

lan_down() {
  local pid ns
  for pid in "${lan_sims[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  for ns in "${lan_names[@]}"; do ip netns del "$ns" 2>/dev/null; done
  lan_sims=()
  lan_names=()
}
