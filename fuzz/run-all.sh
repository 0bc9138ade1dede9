#!/usr/bin/env bash
# Runs every fuzz target listed in fuzz/targets.cmake for SECONDS each, one
# after the other, from the build tree's clang sub-build: run-all.sh BUILD
# SECONDS. Scratch corpora and reproducers go to BUILD/fuzz-long/<name>/.
# Ends with one line per target (executions, time) and fails if any failed.
set -uo pipefail
build=$1 seconds=$2
fuzz_dir=$(cd "$(dirname "$0")" && pwd)

cmake --build "$build" --target tavrix_fuzzers || exit 1
mapfile -t names < <(sed -n 's/^tavrix_fuzz_target(\([a-z_0-9]*\) .*/\1/p' "$fuzz_dir/targets.cmake")

summary=() status=0
for name in "${names[@]}"; do
  echo "== $name for $seconds s"
  line=$(cmake -DFUZZER="$build/fuzz/$name" -DSECONDS="$seconds" \
      -DSEED_CORPUS="$fuzz_dir/corpus/$name" -DSCRATCH="$build/fuzz-long/$name" \
      -P "$fuzz_dir/run_fuzzer.cmake" 2>&1)
  result=$?
  echo "$line" | tail -n 40
  summary+=("$(echo "$line" | grep -m1 "^$name: " || echo "$name: no result")$([ $result -eq 0 ] || echo ' FAILED')")
  [ $result -eq 0 ] || status=1
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
exit $status
