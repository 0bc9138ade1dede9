#!/usr/bin/env bash
# Records real ENCP traffic between tavrix-cli and nvtsim on a private LAN
# and reads it back with tshark and the shipped Lua dissector: the search,
# the search replies, static and DHCP set-network requests and each kind of
# result must be decoded into the values that were really exchanged, and the
# password must appear nowhere in the decoding. Needs root and `ip netns` (exit 77 =
# skipped, unless TAVRIX_REQUIRE_NETNS=1).
set -uo pipefail
build=$1
source_dir=$2
dissector=$source_dir/resources/wireshark/tavrix-encp.lua
cli=$build/tools/cli/tavrix-cli

fail() { echo "FAIL: $*"; exit 1; }

source "$source_dir/tests/support/netns_lan.sh"
lan_require_root
for tool in tshark dumpcap; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d "$build/dissector-test.XXXXXX")
capture_pid=""
cleanup() {
  [ -n "$capture_pid" ] && kill "$capture_pid" 2>/dev/null
  lan_down
  rm -rf "$work"
}
trap cleanup EXIT

password=Wire-Pass-7
cat >"$work/fleet.txt" <<EOF
00:1A:2B:0E:00:01 CAM-One 192.168.40.11 255.255.255.0 192.168.40.1 192.168.40.2 8080 4000,4001,4002 3 admin $password
00:1A:2B:0E:00:02 CAM-Locked 192.168.40.12 255.255.255.0 192.168.40.1 192.168.40.2 80 - 3 admin $password refuse
00:1A:2B:0E:00:03 CAM-Cut 192.168.40.13 255.255.255.0 192.168.40.1 192.168.40.2 80 - 3 admin $password cut-fixed
00:1A:2B:0E:00:04 CAM-Overrun 192.168.40.14 255.255.255.0 192.168.40.1 192.168.40.2 80 - 3 admin $password option-overrun
EOF
lan_up wire 192.168.40.1/24 192.168.40.250/24 "$work/fleet.txt" "$build/tools/nvtsim/nvtsim" || fail "no LAN"

ip netns exec "$LAN_PC" dumpcap -i eth0 -f udp -w "$work/encp.pcapng" 2>"$work/dumpcap.log" &
capture_pid=$!
for _ in $(seq 100); do
  grep -q "Capturing on" "$work/dumpcap.log" && break
  sleep 0.1
done
grep -q "Capturing on" "$work/dumpcap.log" || fail "dumpcap did not start: $(cat "$work/dumpcap.log")"

static=(--static 192.168.40.21 255.255.255.0 192.168.40.1 192.168.40.3)
change() {
  local mac=$1 password=$2
  shift 2
  echo "$password" | ip netns exec "$LAN_PC" "$cli" set --mac "$mac" "$@" --user admin --password-stdin >/dev/null 2>&1
}
change 00:1A:2B:0E:00:01 "$password" "${static[@]}" || fail "the change was not accepted"
change 00:1A:2B:0E:00:02 "$password" "${static[@]}"; [ $? -eq 4 ] || fail "the locked device did not refuse"
change 00:1A:2B:0E:00:01 wrong "${static[@]}"; [ $? -eq 3 ] || fail "a wrong password was not rejected"
change 00:1A:2B:0E:00:01 "$password" --dhcp || fail "the switch to DHCP was not accepted"
sleep 0.5
kill -INT "$capture_pid"
wait "$capture_pid"
capture_pid=""

# tshark starts slowly, so the capture is decoded twice only: once into one
# line of fields per frame, once in full.
fields=(encp.command encp.code encp.result encp.version encp.length encp.selector encp.mac encp.network_type
        encp.model encp.user_id encp.ip encp.subnet_mask encp.gateway encp.dns encp.web_port encp.av_port1
        encp.av_port2 encp.av_port3 encp.credential _ws.col.Info _ws.expert.message)
field_args=()
for field in udp.dstport "${fields[@]}"; do field_args+=(-e "$field"); done
tshark -r "$work/encp.pcapng" -X lua_script:"$dissector" -T fields -E separator='|' "${field_args[@]}" \
  >"$work/fields.txt" 2>/dev/null || fail "tshark could not read the capture"
tshark -r "$work/encp.pcapng" -X lua_script:"$dissector" -V >"$work/verbose.txt" 2>&1
# Frames whose field N (1 = destination port, 2 = command, ...) has a value.
rows() { awk -F'|' -v n="$1" -v want="$2" '$n == want' "$work/fields.txt"; }
expect() {
  local what=$1 got=$2 want=$3
  [ "$got" = "$want" ] || fail "$what: expected"$'\n'"$want"$'\n'"got"$'\n'"$got"
}

expect "search" "$(rows 2 3 | cut -d'|' -f2,5-7 | sort -u)" "3|2|9|255"
expect "search reply of CAM-One" "$(rows 12 192.168.40.11 | cut -d'|' -f3,8-9,10,12-19 | sort -u)" \
  "5|00:1a:2b:0e:00:01|1|CAM-One|192.168.40.11|255.255.255.0|192.168.40.1|192.168.40.2|8080|4000|4001|4002"
expect "set-network requests" "$(rows 2 4 | cut -d"|" -f6,8-9,11-15 | sort -u)" \
  "46|00:1a:2b:0e:00:01|0|admin||||
62|00:1a:2b:0e:00:01|1|admin|192.168.40.21|255.255.255.0|192.168.40.1|192.168.40.3
62|00:1a:2b:0e:00:02|1|admin|192.168.40.21|255.255.255.0|192.168.40.1|192.168.40.3"
# The credential field is the 22 scrambled bytes at offset 24, shown as sent.
[ "$(rows 2 4 | cut -d'|' -f20 | grep -cE '^([0-9a-f]{2} ){21}[0-9a-f]{2}$')" -eq 4 ] ||
  fail "credential fields not shown as 22 bytes: $(rows 2 4 | cut -d'|' -f20)"
# Results carry the answering device's selector (1 for the simulator's).
results=$(awk -F'|' '$4 != ""' "$work/fields.txt" | cut -d'|' -f4,7,21 | sort -u)
for want in "0|1|Result 0: accepted" "2|1|Result 2: ID or password not accepted"; do
  grep -qxF "$want" <<<"$results" || fail "no result '$want' in: $results"
done
grep -qE '^([13-9]|[1-9][0-9]+)\|1\|Result [0-9]+: settings refused$' <<<"$results" || fail "no refusal in: $results"
# Every datagram is ENCP and decoded; the two replies that end inside their
# fixed part or inside an option are marked where they stop, and only they.
[ "$(awk -F'|' '$2 == "" && $3 == "" && $4 == ""' "$work/fields.txt" | grep -c .)" -eq 0 ] ||
  fail "datagrams left undecoded"
expect "malformed replies" "$(awk -F'|' '$22 != ""' "$work/fields.txt" | cut -d'|' -f8,22 | sort -u)" \
  "00:1a:2b:0e:00:03|Message ends inside a field
00:1a:2b:0e:00:04|Message ends inside a field"
grep -q "Lua Error" "$work/verbose.txt" && fail "the dissector failed: $(grep -m3 'Lua Error' "$work/verbose.txt")"
grep -qF "$password" "$work/verbose.txt" && fail "the password shows in the decoding"
echo "dissector: search, replies, set-network requests and results decoded from $(grep -c . "$work/fields.txt") frames"
