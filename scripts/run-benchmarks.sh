#!/usr/bin/env bash
# Runs every benchmark program of a build tree, shows its own output, and
# collects the figures it marks with "RESULT name=... value=... unit=...
# met=... goal=..." (bench/bench_result.h) into one Markdown table, with the
# machine the figures were measured on.
#
#   scripts/run-benchmarks.sh [BUILD [RESULTS_FILE]]
#
# RESULTS_FILE defaults to bench/RESULTS.md of the source tree. A program
# that fails or prints no figure (bench_scan_burst without root) gets a row
# saying so, and a failure makes the exit status non-zero.
set -uo pipefail
build=${1:-build}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
results=${2:-$source_dir/bench/RESULTS.md}

cpu=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
memory=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
machine="$(nproc) processors, ${cpu:-unknown CPU}, $memory memory, $(uname -sr)"
started=$(date -u '+%Y-%m-%d %H:%M UTC')
load=$(cut -d' ' -f1-3 /proc/loadavg)
user=$([ "$(id -u)" -eq 0 ] && echo root || echo "not root")

rows=()
status=0
for program in $(find "$build/bench" -maxdepth 3 -type f -perm -u+x -name 'bench_*' | sort); do
  name=$(basename "$program")
  echo "== $name"
  log=$(mktemp)
  "$program" 2>&1 | tee "$log"
  code=${PIPESTATUS[0]}
  found=0
  while IFS= read -r line; do
    figure=$(sed -E 's/.* name=([^ ]+).*/\1/' <<<"$line")
    value=$(sed -E 's/.* value=([^ ]+).*/\1/' <<<"$line")
    unit=$(sed -E 's/.* unit=(.*) met=.*/\1/' <<<"$line")
    met=$(sed -E 's/.* met=([^ ]+).*/\1/' <<<"$line")
    goal=$(sed -E 's/.* goal=(.*)$/\1/' <<<"$line")
    rows+=("| $name | $figure | $value | $unit | $goal | $met |")
    found=$((found + 1))
  done < <(grep '^RESULT ' "$log")
  if [ "$code" -ne 0 ]; then
    rows+=("| $name | (program failed with status $code) | | | | no |")
    status=1
  elif [ "$found" -eq 0 ]; then
    rows+=("| $name | not measured: $(head -n1 "$log" | tr '|' '/') | | | | - |")
  fi
  rm -f "$log"
done

{
  echo "# Benchmark results"
  echo
  echo "Written by \`make bench\` (scripts/run-benchmarks.sh); every figure comes"
  echo "from a program under bench/, which also prints a fuller account of its"
  echo "own. \"Met\" is the program's verdict against the goal; \"-\" marks a"
  echo "figure measured for comparison only."
  echo
  echo "- Machine: $machine"
  echo "- Date: $started; load average at the start: $load; run as $user"
  echo "- Build: $(grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" 2>/dev/null | cut -d= -f2 || echo unknown)"
  echo
  echo "| Program | Figure | Value | Unit | Goal | Met |"
  echo "|---|---|---:|---|---|---|"
  printf '%s\n' "${rows[@]}"
} >"$results"
echo "== results written to $results"
exit $status
