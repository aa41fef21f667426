#!/usr/bin/env bash
# coverage.sh [BUILD_DIR]: builds with coverage counters (default build-coverage/), runs the whole
# test suite and prints the line and branch coverage of src/ (gcovr), per file and in total. Also
# writes BUILD_DIR/coverage.json (per-file figures, to compare before and after a change).
# Not part of ./test: a second full build at -O1 costs as much as the normal one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=${1:-build-coverage}
cd "$root"
# -O1 keeps the whole-program runs quick; counters still map to source lines. The sound and
# playback threads update the same counters, so the updates are atomic (torn updates give gcov
# negative counts, which gcovr refuses).
cov="--coverage -fprofile-update=atomic"
tools/build.sh "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
  -DCMAKE_CXX_FLAGS="$cov" -DCMAKE_C_FLAGS="$cov" -DCMAKE_EXE_LINKER_FLAGS=--coverage -DTX_BUILD_BENCH=OFF
find "$dir" -name '*.gcda' -delete
ctest --test-dir "$dir" -j2 --timeout 900 --output-on-failure >"$dir/ctest.log" 2>&1 || {
  tail -n 30 "$dir/ctest.log"; echo "coverage.sh: tests failed (log: $dir/ctest.log)"; exit 1; }
common=(-r "$root" --object-directory "$dir" --filter "$root/src/" --exclude-unreachable-branches
        --exclude-throw-branches -j 2)
gcovr "${common[@]}" --json-summary-pretty --json-summary "$dir/coverage.json" --txt "$dir/lines.txt" \
  --print-summary >"$dir/summary.txt"
gcovr "${common[@]}" --branches --txt "$dir/branches.txt"
cat "$dir/lines.txt"
echo
cat "$dir/summary.txt"
