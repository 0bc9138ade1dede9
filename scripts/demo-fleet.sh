#!/usr/bin/env bash
# Writes the demo's fleet file (for nvtsim) and a matching address list file
# (for a batch change in the window).
#
# Forty devices on 192.168.10.0/24, the PC's subnet, except four that sit on
# other subnets (reachable all the same, because requests name devices by
# MAC). Models, web ports and AV ports vary; devices 16 and 17 share one
# address; devices 5, 12 and 23 speak protocol version 2 (no ports); device
# 39 "NVT-LOCKED" refuses every change and device 40 "NVT-MUTE" answers
# searches but never a change. All take the batch credential root / kefo.
#
# The address list moves devices 1..10 to 192.168.10.201..210, switches
# device 17 (one of the colliding pair) to DHCP, names the two difficult
# devices, and holds one line that the batch skips (lower-case MAC).
#
#   scripts/demo-fleet.sh FLEET_FILE ADDRESS_LIST_FILE
set -euo pipefail
fleet=$1
addresses=$2

models=(NVT-2000 NVT-2100E IPCAM-HD1 IPCAM-PTZ4 ENC-1CH ENC-4CH DEC-1CH DEC-16CH)
web_ports=(80 8080 80 8000 0 80 8081)
av_ports=(4000,4001,0 4000,4001,4002 5000,0,0 4000,0,5000 - 6000,6001,0)

mac() { printf '00:1A:2B:10:00:%02X' "$1"; }

address() {
  case $1 in
    17) echo 192.168.10.116 ;;       # shares device 16's address
    31) echo 10.0.0.31 ;;
    32) echo 172.16.5.32 ;;
    33) echo 192.168.20.33 ;;
    34) echo 192.168.1.34 ;;
    *) echo "192.168.10.$((100 + $1))" ;;
  esac
}

{
  echo "# Demo fleet: MAC MODEL ADDRESS MASK GATEWAY DNS WEBPORT AVPORTS VERSION USER PASSWORD [FLAG...]"
  for i in $(seq 1 40); do
    model=${models[$(( (i - 1) % ${#models[@]} ))]}
    version=3
    flags=""
    case $i in
      5|12|23) version=2 ;;
      39) model=NVT-LOCKED; flags=refuse ;;
      40) model=NVT-MUTE; flags=ignore-changes ;;
    esac
    ip=$(address "$i")
    gateway=${ip%.*}.1
    echo "$(mac "$i") $model $ip 255.255.255.0 $gateway 168.126.63.1" \
         "${web_ports[$(( i % ${#web_ports[@]} ))]} ${av_ports[$(( i % ${#av_ports[@]} ))]}" \
         "$version root kefo $flags"
  done
} >"$fleet"

{
  echo "# MAC  TYPE  IP-ADDRESS  SUBNET-MASK  GATEWAY  DNS-SERVER"
  for i in $(seq 1 10); do
    echo "$(mac "$i") STATIC 192.168.10.$((200 + i)) 255.255.255.0 192.168.10.1 168.126.63.1"
  done
  echo "$(mac 17) DHCP 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0"
  echo "$(mac 39) STATIC 192.168.10.239 255.255.255.0 192.168.10.1 168.126.63.1"
  echo "$(mac 40) STATIC 192.168.10.240 255.255.255.0 192.168.10.1 168.126.63.1"
  echo "$(mac 20 | tr A-F a-f) STATIC 192.168.10.220 255.255.255.0 192.168.10.1 168.126.63.1"
} >"$addresses"
