#!/usr/bin/env bash
# Measures how much of the product code the plain test suite runs:
#
#   scripts/coverage.sh DIR JOBS
#
# builds the tests in DIR with gcc's --coverage at -O0 (so that lines and
# branches map one to one onto the source), runs them, and prints gcovr's
# line and branch coverage of the product folders. The
# fuzz targets (clang, their own sub-build), demo_test and package_test run
# programs outside the test binaries and are left out. Counters of an
# earlier run are cleared first, so each run reports itself alone.
set -euo pipefail
dir=$1 jobs=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

cmake --fresh -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DTAVRIX_WERROR="${WERROR:-OFF}"
cmake --build "$dir" --target tavrix_tests -j "$jobs"
find "$dir" -name '*.gcda' -delete

echo "== tests with coverage ($dir)"
# A failing test still leaves its counters; the report is printed either way
# and the exit status tells whether the suite passed.
status=0
(cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 1800 -LE fuzz -E '^(demo_test|package_test)$') ||
  status=1

echo "== coverage of the product code"
gcovr --root "$source_dir" --object-directory "$dir" \
  --filter "$source_dir/(protocol|table|batch|discovery|ui|tools)/" \
  --print-summary --output "$dir/coverage.txt" "$dir"
echo "(per-file figures: $dir/coverage.txt)"
exit $status
