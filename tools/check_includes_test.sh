#!/usr/bin/env bash
# check_includes_test.sh [ROOT]: the include check passes on ROOT's tree, and fails on a copy of it
# with one wrong include added (one case at a time); an allowed include keeps it passing.
set -u
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
check=$root/tools/check_includes.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

"$check" "$root" >/dev/null || { echo "FAIL: the check does not pass on $root"; fail=1; }

# expected exit (0 pass, 1 fail) | file to add the line to | the line
cases=(
  '1|src/display/wrong.h|#include "app/program.h"'
  '1|src/platform/headless/wrong.cpp|#include "settings/analysis_settings.h"'
  '1|src/platform/canvas/wrong.h|  #  include "display/palette.h"'
  '1|src/measures/wrong.cpp|#include "interaction/mouse_input.h"'
  '1|src/newmodule/wrong.cpp|#include "platform/messages.h"'
  '1|src/app/wrong.cpp|#include <QWidget>'
  '0|src/interaction/fine.cpp|#include "measures/anything.h"'
  '0|src/files/fine.cpp|#include "settings/analysis_settings.h"'
  '0|src/scripting/fine.cpp|#include "app/program.h"'
)
mkdir -p "$tmp/tree" && cp -r "$root/src" "$tmp/tree/"
for c in "${cases[@]}"; do
  IFS='|' read -r want file line <<<"$c"
  dir=$(dirname "$tmp/tree/$file") && fresh=0 && [ -d "$dir" ] || fresh=1
  mkdir -p "$dir" && echo "$line" >"$tmp/tree/$file"
  "$check" "$tmp/tree" >"$tmp/out" 2>&1
  got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $file with '$line': exit $got, want $want"; cat "$tmp/out"; fail=1
  fi
  rm -f "$tmp/tree/$file"; [ $fresh -eq 1 ] && rmdir "$dir"
done
[ $fail -eq 0 ] && echo "include check: ${#cases[@]} cases as expected"
exit $fail
