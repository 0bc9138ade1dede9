#!/usr/bin/env bash
# Runs the example playbooks of examples/ansible with ansible-playbook
# against two sites: two private LANs on this machine, each a PC namespace
# with its own fleet of nvtsim, the PC being an inventory host whose
# tavrix-cli runs inside that namespace. Both sites use the same subnet, as
# cookie-cutter branch offices do, so only the site tells their devices
# apart. Checks the merged inventory (JSON and CSV), a batch that verifies
# every device, and one that fails because a device refuses, each with its
# report; the password must show in no output, not even under -vvv.
# Needs root and `ip netns` (exit 77 = skipped, unless TAVRIX_REQUIRE_NETNS=1).
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
examples=$source_dir/examples/ansible

fail() { echo "FAIL: $*"; [ -n "${log:-}" ] && [ -f "$log" ] && tail -n 40 "$log" | sed 's/^/  | /'; exit 1; }

source "$source_dir/tests/support/netns_lan.sh"
lan_require_root
command -v ansible-playbook >/dev/null || fail "ansible-playbook is missing (scripts/install-deps.sh installs ansible-core)"
# Prints a Python expression over the JSON document d read from a file.
json() { python3 -c 'import json, sys; d = json.load(open(sys.argv[2])); print(eval(sys.argv[1]))' "$@"; }
expect_json() {
  local what=$1 expression=$2 file=$3 want=$4 got
  got=$(json "$expression" "$file")
  [ "$got" = "$want" ] || fail "$what: expected $want, got $got in $(cat "$file")"
}

work=$(mktemp -d "$build/playbook-test.XXXXXX")
trap 'lan_down; rm -rf "$work"' EXIT
password=Site-Secret-5150

# Three devices per site on 192.168.10.0/24; site B's third refuses every change.
for site in a b; do
  n=$([ $site = a ] && echo 0A || echo 0B)
  {
    for i in 1 2 3; do
      flag=""
      [ $site$i = b3 ] && flag=refuse
      echo "00:1A:2B:$n:00:0$i CAM-$site$i 192.168.10.1$i 255.255.255.0 192.168.10.1 192.168.10.2 80 - 3 admin $password $flag"
    done
  } >"$work/fleet-$site.txt"
  lan_up "site$site" 192.168.10.1/24 192.168.10.250/24 "$work/fleet-$site.txt" "$build/tools/nvtsim/nvtsim" ||
    fail "site $site: no LAN"
  printf '#!/bin/sh\nexec ip netns exec %s %s "$@"\n' "$LAN_PC" "$build/tools/cli/tavrix-cli" >"$work/cli-$site"
  chmod +x "$work/cli-$site"
done
printf 'tavrix_password: %s\n' "$password" >"$work/secret.yml"

# Writes the inventory: each site's address list lines follow its name.
inventory() {
  echo "tavrix_sites:"
  echo "  hosts:"
  local site
  for site in a b; do
    echo "    site-$site:"
    echo "      tavrix_cli: $work/cli-$site"
    local var=lines_$site line
    [ -n "${!var}" ] && echo "      tavrix_addresses:"
    while IFS= read -r line; do
      [ -n "$line" ] && echo "        - $line"
    done <<<"${!var}"
  done
  echo "  vars:"
  echo "    ansible_connection: local"
  echo "    ansible_python_interpreter: \"{{ ansible_playbook_python }}\""
  echo "    tavrix_user: admin"
  echo "    tavrix_timeout: 20"
}

export ANSIBLE_HOME=$work/ansible ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_REMOTE_TEMP=$work/ansible/tmp \
  ANSIBLE_NOCOLOR=1 ANSIBLE_CONFIG=$work/none.cfg
playbook() {
  log=$work/$1.log
  (cd "$work" && ansible-playbook -vvv -i "$work/inventory.yml" \
    -e "@$work/secret.yml" "$examples/$1.yml") >"$log" 2>&1
}
no_password_in() { ! grep -rqF "$password" "$@" || fail "the password shows in $*"; }

started=$SECONDS
lines_a="" lines_b=""
inventory >"$work/inventory.yml"
playbook scan-sites || fail "scan-sites.yml failed"
devices=$work/tavrix-reports/devices.json
expect_json "devices found" "len(d)" "$devices" 6
for site in a b; do
  n=$([ $site = a ] && echo 0A || echo 0B)
  expect_json "site-$site" "sorted((x['mac'], x['interface'], x['address']) for x in d if x['site'] == 'site-$site')" "$devices" \
    "[('00:1A:2B:$n:00:01', 'eth0', '192.168.10.11'), ('00:1A:2B:$n:00:02', 'eth0', '192.168.10.12'), ('00:1A:2B:$n:00:03', 'eth0', '192.168.10.13')]"
done
csv=$work/tavrix-reports/devices.csv
head -n1 "$csv" | grep -q '^"Site","Interface","Model Name","MAC address","IP address",' || fail "CSV header: $(head -n1 "$csv")"
grep -qF $'"site-b","eth0","CAM-b2","00:1A:2B:0B:00:02","192.168.10.12","80","-","255.255.255.0","192.168.10.1","192.168.10.2","Static"\r' "$csv" ||
  fail "CSV row of CAM-b2 missing: $(cat "$csv")"
[ "$(grep -c $'\r$' "$csv")" -eq 7 ] || fail "CSV should be a header and 6 CRLF rows"

# Each site's own list; both sites hold the same addresses before and after.
lines_a=$'00:1A:2B:0A:00:01 STATIC 192.168.10.21 255.255.255.0 192.168.10.1 192.168.10.2\n00:1A:2B:0A:00:02 STATIC 192.168.10.22 255.255.255.0 192.168.10.1 192.168.10.2'
lines_b=$'00:1A:2B:0B:00:01 STATIC 192.168.10.21 255.255.255.0 192.168.10.1 192.168.10.2'
inventory >"$work/inventory.yml"
playbook batch-sites || fail "batch-sites.yml failed although every device should be verified"
report=$work/tavrix-reports/batch-report.json
expect_json "report of the verified batch" \
  "d['allVerified'], sorted((x['site'], x['mac'], x['requested'], x['outcome']) for x in d['devices'])" "$report" \
  "(True, [('site-a', '00:1A:2B:0A:00:01', '192.168.10.21', 'verified'), ('site-a', '00:1A:2B:0A:00:02', '192.168.10.22', 'verified'), ('site-b', '00:1A:2B:0B:00:01', '192.168.10.21', 'verified')])"
no_password_in "$log"

lines_a=$'00:1A:2B:0A:00:03 STATIC 192.168.10.23 255.255.255.0 192.168.10.1 192.168.10.2'
lines_b=$'00:1A:2B:0B:00:02 STATIC 192.168.10.22 255.255.255.0 192.168.10.1 192.168.10.2\n00:1A:2B:0B:00:03 STATIC 192.168.10.23 255.255.255.0 192.168.10.1 192.168.10.2'
inventory >"$work/inventory.yml"
playbook batch-sites && fail "batch-sites.yml succeeded although a device refused"
grep -q 'not verified: site-b 00:1A:2B:0B:00:03 refused;' "$log" || fail "the failure does not name the refusing device"
expect_json "report of the refused batch" \
  "d['allVerified'], [s['site'] for s in d['sites'] if s['exitStatus'] != 0], sorted((x['site'], x['mac'], x['outcome']) for x in d['devices'])" "$report" \
  "(False, ['site-b'], [('site-a', '00:1A:2B:0A:00:03', 'verified'), ('site-b', '00:1A:2B:0B:00:02', 'verified'), ('site-b', '00:1A:2B:0B:00:03', 'refused')])"
no_password_in "$log" "$work/tavrix-reports"
log=""
echo "playbooks: two sites scanned and merged, one batch verified, one refused; $((SECONDS - started)) s"
