#!/usr/bin/env bash
# Runs every benchmark program of a build tree and prints its figures.
set -euo pipefail
build=${1:-build}
status=0
for b in $(find "$build/bench" -maxdepth 3 -type f -perm -u+x -name 'bench_*' | sort); do
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status
