#!/usr/bin/env bash
# Fails when a text of the windows has no English translation, or when the
# translation file still carries a text the windows no longer show: lupdate
# reads the sources into a copy of the file, which must come out complete.
# Usage: translations_check.sh LUPDATE SOURCE_DIR
set -euo pipefail
lupdate=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/resources/translations/tavrix_en.ts" "$work/check.ts"
cd "$source_dir"
"$lupdate" -silent -I . -locations none -extensions cpp,h,ui ui table discovery batch resources -ts "$work/check.ts"

status=0
if grep -q 'type="unfinished"' "$work/check.ts"; then
  echo "translations_check: texts without an English translation in resources/translations/tavrix_en.ts:"
  grep -B1 'type="unfinished"' "$work/check.ts" | grep '<source>'
  status=1
fi
if grep -Eq 'type="(vanished|obsolete)"' "$work/check.ts"; then
  echo "translations_check: translations of texts the sources no longer have:"
  grep -EB1 'type="(vanished|obsolete)"' "$work/check.ts" | grep '<source>'
  status=1
fi
exit $status
