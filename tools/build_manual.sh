#!/usr/bin/env bash
# build_manual.sh NAME SOURCE OUT: writes the manual NAME (taldrinex or tx-signals) from the one
# source: lines between "<!--only X-->" and "<!--end-->" are kept only when X is NAME, the source's
# own opening comment is dropped, every other line is kept. A block left open or nested fails.
set -euo pipefail
name=$1 source=$2 out=$3
awk -v name="$name" '
  FNR == 2 && /^<!-- The one source/ { intro = 1 }
  intro { if (/-->$/) intro = 0; next }
  /^<!--only [a-z-]+-->$/ {
    if (open) { print FILENAME ":" FNR ": block opened inside a block" > "/dev/stderr"; exit 1 }
    open = 1; keep = ($0 == "<!--only " name "-->"); next
  }
  /^<!--end-->$/ {
    if (!open) { print FILENAME ":" FNR ": end without a block" > "/dev/stderr"; exit 1 }
    open = 0; next
  }
  !open || keep { print }
  END { if (open) { print FILENAME ": block not closed" > "/dev/stderr"; exit 1 } }
' "$source" >"$out.tmp"
mv "$out.tmp" "$out"
