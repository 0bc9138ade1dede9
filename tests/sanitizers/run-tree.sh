#!/usr/bin/env bash
# Builds and runs the test suite in one sanitizer tree: run-tree.sh KIND DIR
# JOBS, KIND being address (AddressSanitizer, LeakSanitizer and UBSan on
# every test) or thread (ThreadSanitizer on the threaded tests). The tree is
# configured afresh, so settings left by an earlier configuration cannot
# change what is built (ninja still judges the objects it keeps). Only the
# tests and the programs they start are built; WERROR=ON (set by the Makefile
# under CI) makes every compiler warning an error.
set -euo pipefail
kind=$1 dir=$2 jobs=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

cmake --fresh -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRIX_SANITIZE="$kind" -DTAVRIX_WERROR="${WERROR:-OFF}"
cmake --build "$dir" --target tavrix_tests -j "$jobs"
echo "== tests under the $kind sanitizer ($dir)"
cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 1800
