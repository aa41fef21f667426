#!/usr/bin/env bash
# Speed of `taldrinex-cli measure` against the peer tool's voice report (praat --run), as processes:
#   1. one 60-second stereo recording, each tool alone (hyperfine, or `time` without it);
#   2. the same recording as 100 files, measure with --jobs 2 against praat two at a time.
# Usage: bench/measure_vs_praat.sh BUILD_DIR [PRAAT_FILES]
# PRAAT_FILES (default 100) limits how many of the files praat is run on (it is slow); its time is
# then scaled to 100 files, and the script says so. Prints seconds per file and the ratio.
set -eu
build=${1:?build directory}
praat_files=${2:-100}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_known_voice" --out "$work/voice.wav" --seconds 60 --f0 140 --jitter 0.8 --shimmer 3 \
  --noise-db 25 > /dev/null
for i in $(seq -w 1 100); do ln "$work/voice.wav" "$work/voice$i.wav"; done

echo "== one 60-second stereo file"
if command -v hyperfine > /dev/null; then
  hyperfine --runs 3 --export-json "$work/one.json" \
    "$build/bin/taldrinex-cli measure $work/voice.wav --jobs 1" \
    "praat --run $here/praat_voice_report.praat $work/voice.wav 0"
fi

now() { date +%s.%N; }
echo "== 100 files, measure --jobs 2"
t0=$(now)
"$build/bin/taldrinex-cli" measure "$work"/voice???.wav --jobs 2 > "$work/measure.jsonl"
t1=$(now)
echo "== $praat_files files, praat two at a time"
ls "$work"/voice???.wav | head -n "$praat_files" |
  xargs -P 2 -I{} praat --run "$here/praat_voice_report.praat" {} 0 > "$work/praat.txt"
t2=$(now)
awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v n="$praat_files" 'BEGIN {
  m = t1 - t0; p = t2 - t1; mp = m / 100; pp = p / n;
  printf "measure: %.1f s for 100 files, %.3f s per file\n", m, mp;
  printf "praat:   %.1f s for %d files, %.3f s per file\n", p, n, pp;
  printf "praat / measure per file: %.1f x\n", pp / mp }'
