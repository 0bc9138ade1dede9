#!/usr/bin/env bash
# Shows that the plain test suite catches real faults: each mutation listed in
# scripts/mutations.txt breaks one spot of the product code on purpose, the tests
# are rebuilt and run up to the first failure, and the file is put back.
#
#   scripts/mutation-check.sh BUILD_DIR [ID...]
#
# BUILD_DIR is a tree configured like the normal one (BUILD_TESTING=ON, ccache as
# compiler launcher) and built once beforehand; with IDs only those mutations run.
# One line per mutation:
#   CAUGHT       a test failed; the first failing test is named
#   SURVIVED     every test passed: the suite cannot see this fault
#   NOT-APPLIED  the search text does not occur exactly once in its file
#   BUILD-FAILED the mutant does not compile: not applicable, counted nowhere
# then "caught N of M", M being the mutations that built and ran. Exit status 0
# when every one of them was caught and none was left unapplied; 2 before any
# mutation when the unmutated tree already fails its tests.
#
# Left out of the suite, because they see no C++ logic a mutation could break or
# spend minutes driving whole programs for nothing: package_test,
# completion_test, appstream_test, playbook_test, translations_check, demo_test,
# dissector_test and the fuzz label. Run it as root: the tests that build
# network namespaces skip otherwise, and some faults only they can see. Logs go
# to BUILD_DIR/mutation-logs/.
#
# The tree must never stay mutated: the file is restored from a saved copy after
# each mutation, on Ctrl-C and on any exit, and a file with uncommitted changes
# (a run killed hard, or work in progress) is never mutated.
set -uo pipefail

usage() {
  echo "usage: $0 BUILD_DIR [ID...]" >&2
  exit 2
}
[[ $# -ge 1 ]] || usage
build_dir=$(cd "$1" 2>/dev/null && pwd) || usage
shift
wanted=("$@")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mutations_file=$source_dir/scripts/mutations.txt
log_dir=$build_dir/mutation-logs
excluded='^(package_test|completion_test|appstream_test|playbook_test|translations_check|demo_test|dissector_test)$'
[[ -f $build_dir/CTestTestfile.cmake ]] || {
  echo "$build_dir is not a configured build tree" >&2
  exit 2
}
mkdir -p "$log_dir"

# ---- restoring ----------------------------------------------------------------
mutated_file=""
saved_copy=$(mktemp)

restore() {
  if [[ -n $mutated_file ]]; then
    cp "$saved_copy" "$mutated_file"
    mutated_file=""
  fi
}
trap 'restore; rm -f "$saved_copy"' EXIT
trap 'restore; echo "interrupted" >&2; exit 130' INT TERM HUP

# ---- reading the list ---------------------------------------------------------
# Blocks of "key: value" lines: id, file, what, find, replace. Repeated find or
# replace lines are joined with newlines, so a search may span lines; the value
# starts after "key: " and keeps its indentation. Lines starting with # are
# comments.
ids=() files=() whats=() finds=() replaces=()
add_line() { # VAR VALUE: appends VALUE to the last entry of array VAR
  local -n array=$1
  local last=$((${#ids[@]} - 1))
  if [[ -n ${array[last]+set} ]]; then
    array[last]+=$'\n'$2
  else
    array[last]=$2
  fi
}
while IFS= read -r line || [[ -n $line ]]; do
  [[ $line == \#* || -z ${line//[[:space:]]/} ]] && continue
  key=${line%%:*}
  value=${line#*:}
  value=${value# }
  case $key in
    id) ids+=("$value") ;;
    file) files+=("$value") ;;
    what) whats+=("$value") ;;
    find) add_line finds "$value" ;;
    replace) add_line replaces "$value" ;;
    *)
      echo "$mutations_file: unknown line: $line" >&2
      exit 2
      ;;
  esac
done <"$mutations_file"
for i in "${!ids[@]}"; do
  [[ -n ${files[i]:-} && -n ${finds[i]:-} ]] || {
    echo "$mutations_file: ${ids[i]} lacks a file or a search text" >&2
    exit 2
  }
  replaces[i]=${replaces[i]:-}
done

# ---- one mutation -------------------------------------------------------------
occurrences() { # TEXT NEEDLE
  local rest=$1 count=0
  while [[ $rest == *"$2"* ]]; do
    rest=${rest#*"$2"}
    count=$((count + 1))
  done
  echo "$count"
}

caught=0 ran=0 unapplied=0 build_failed=0
run_one() { # INDEX
  local i=$1 id=${ids[$1]} path=$source_dir/${files[$1]} log=$log_dir/${ids[$1]}.log
  local content
  if [[ ! -f $path ]] || ! git -C "$source_dir" diff --quiet HEAD -- "${files[i]}"; then
    printf '%-13s %-28s %s\n' NOT-APPLIED "$id" "(${files[i]} missing or has uncommitted changes)"
    unapplied=$((unapplied + 1))
    return
  fi
  content=$(
    cat "$path"
    printf x
  )
  content=${content%x}
  local count
  count=$(occurrences "$content" "${finds[i]}")
  if [[ $count -ne 1 ]]; then
    printf '%-13s %-28s %s\n' NOT-APPLIED "$id" "(search text found $count times in ${files[i]})"
    unapplied=$((unapplied + 1))
    return
  fi

  cp "$path" "$saved_copy"
  mutated_file=$path
  printf '%s' "${content/"${finds[i]}"/"${replaces[i]}"}" >"$path"
  local start=$SECONDS
  if ! nice -n 10 cmake --build "$build_dir" -j2 --target tavrix_tests tavrix-cli nvtsim >"$log" 2>&1; then
    restore
    printf '%-13s %-28s %s\n' BUILD-FAILED "$id" "(not applicable, see $log)"
    build_failed=$((build_failed + 1))
    return
  fi
  local status=0
  (cd "$build_dir" && nice -n 10 ctest --stop-on-failure -LE fuzz -E "$excluded") >>"$log" 2>&1 || status=$?
  restore
  ran=$((ran + 1))
  local took=$((SECONDS - start))s
  if [[ $status -eq 0 ]]; then
    printf '%-13s %-28s %-6s %s\n' SURVIVED "$id" "$took" "${whats[i]}"
  else
    local by
    by=$(grep -m1 -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Failed|Not Run)' "$log" |
      sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/')
    printf '%-13s %-28s %-6s %s\n' CAUGHT "$id" "$took" "by ${by:-the suite (see $log)}"
    caught=$((caught + 1))
  fi
}

selected=()
for i in "${!ids[@]}"; do
  if [[ ${#wanted[@]} -gt 0 ]]; then
    match=0
    for w in "${wanted[@]}"; do [[ $w == "${ids[i]}" ]] && match=1; done
    [[ $match -eq 1 ]] || continue
  fi
  selected+=("$i")
done
[[ ${#selected[@]} -gt 0 ]] || {
  echo "no mutation matches: ${wanted[*]}" >&2
  exit 2
}

# A suite that already fails would make every mutation look caught.
baseline_log=$log_dir/unmutated.log
if ! nice -n 10 cmake --build "$build_dir" -j2 --target tavrix_tests tavrix-cli nvtsim >"$baseline_log" 2>&1 ||
  ! (cd "$build_dir" && nice -n 10 ctest -LE fuzz -E "$excluded") >>"$baseline_log" 2>&1; then
  echo "the unmutated tree fails its tests (see $baseline_log); no mutation can be judged" >&2
  exit 2
fi

for i in "${selected[@]}"; do run_one "$i"; done

summary="caught $caught of $ran"
[[ $build_failed -eq 0 ]] || summary+=" ($build_failed did not build)"
[[ $unapplied -eq 0 ]] || summary+=" ($unapplied not applied)"
echo "$summary"
[[ $caught -eq $ran && $unapplied -eq 0 ]]
