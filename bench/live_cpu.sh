#!/usr/bin/env bash
# live_cpu.sh [--build DIR] [--display :N] [--seconds S] [--only CASE] [--shots DIR] [--measurements]
#
# CPU cost of live analysis in the desktop program. Starts taldrinex-full under Xvfb (1920 x 1080)
# with a private sound server whose source is fed a steady 180 Hz voice at real-time pace, presses
# Run, and for each case prints the program's CPU share of one core over S seconds (utime + stime
# from /proc/PID/stat), the X server's share, the load average of the machine at the end of the
# measurement (the machine is shared: repeat a case when the load was high), and, read from the
# program with gdb once the measurement is over (the build needs its debug information; the
# program stops while gdb reads it, which a sound device may take for a failure), the frames the
# loop drew per second since Run and the achieved step period.
#
# Cases: f5-default, f1-default (the window the program opens with), f5-max, f1-max (the window
# sized to the whole 1920 x 1080 screen), frozen (F1, default window, Freeze pressed, left alone).
# --shots DIR keeps a screenshot of each case (ImageMagick's import) taken after its measurement.
# --measurements opens the Measurements window (key M) right after Run in every case, to see what
# its live figures cost the display.
# Run by hand: it is not part of ./test.
set -u

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=build
display=:91
seconds=10
only=""
shots=""
measurements=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --measurements) measurements=yes; shift ;;
    *) echo "usage: $0 [--build DIR] [--display :N] [--seconds S] [--only CASE] [--shots DIR] [--measurements]" >&2; exit 2 ;;
  esac
done
case "$build" in /*) ;; *) build=$root/$build ;; esac
program=$build/bin/taldrinex-full
voice_tool=$build/bin/make_voice_sample
for f in "$program" "$voice_tool"; do
  [ -x "$f" ] || { echo "live_cpu: $f is missing (build taldrinex-full and make_voice_sample)" >&2; exit 2; }
done
for t in Xvfb xdotool gdb python3 pactl; do
  command -v $t >/dev/null || { echo "live_cpu: $t is needed (tools/packages.txt)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tx-live-cpu.XXXXXX)
xvfb_pid="" pulse_dir="" feeder_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$feeder_pid" ] && kill "$feeder_pid" 2>/dev/null
  [ -n "$pulse_dir" ] && "$root/tools/pulse-test-server.sh" stop "$pulse_dir"
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

export DISPLAY=$display
# (Re)starts the X server when it is not running (a case whose server died is run again).
alive() { [ -n "$1" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ] && kill -0 "$1" 2>/dev/null; }
ensure_x() {
  alive "$xvfb_pid" && return 0
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "live_cpu: Xvfb did not start on $display" >&2
  return 1
}
ensure_x || exit 1

settings=$("$root/tools/pulse-test-server.sh" start "$work/pulse") || exit 1
while IFS='=' read -r name value; do export "$name=$value"; done <<<"$settings"
pulse_dir=$TX_PULSE_DIR

# A sung /a/ at 180 Hz with its glottogram, fed into the pipe source as the user's voice.
"$voice_tool" --out "$work/voice.wav" --period-ms 5.5555556 --seconds 4 >/dev/null || exit 1
python3 - "$TX_PULSE_FIFO" "$work/voice.wav" <<'EOF' &
import os, sys, time
fifo, wav = sys.argv[1], sys.argv[2]
data = open(wav, "rb").read()
pcm = data[data.find(b"data") + 8:]
pcm = pcm[: len(pcm) // 4 * 4]
try:  # whatever an earlier writer left goes first
    d = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    while os.read(d, 65536):
        pass
    os.close(d)
except OSError:
    pass
fd = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
start, written = time.monotonic(), 0  # frames
while True:
    due = int((time.monotonic() - start + 0.2) * 22050)
    while due > written:
        n = min(due - written, 1024)
        chunk = bytearray()
        pos = (written * 4) % len(pcm)
        while len(chunk) < n * 4:
            take = min(n * 4 - len(chunk), len(pcm) - pos)
            chunk += pcm[pos:pos + take]
            pos = (pos + take) % len(pcm)
        try:
            os.write(fd, chunk)
        except BlockingIOError:
            break
        written += n
    time.sleep(0.005)
EOF
feeder_pid=$!

window_of() {
  for _ in $(seq 100); do
    local w
    w=$(xdotool search --onlyvisible --pid "$1" --name . 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

key() {
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key "$@"
  sleep 0.5
}

# Reads LiveLoop.StepsDrawn and LiveLoop.AchievedUpdatePeriodMs from the running program.
read_loop() {
  gdb -p "$program_pid" -batch -nx -ex "print LiveLoop.StepsDrawn" -ex "print LiveLoop.AchievedUpdatePeriodMs" \
    2>/dev/null | sed -n 's/^\$[12] = //p' | tr '\n' ' '
}

x_ticks() { cpu_ticks "$xvfb_pid"; }

measure() {
  local name=$1
  local c0 c1 x0 x1 t0 t1
  c0=$(cpu_ticks "$program_pid")
  x0=$(x_ticks)
  t0=$(date +%s.%N)
  sleep "$seconds"
  c1=$(cpu_ticks "$program_pid")
  x1=$(x_ticks)
  t1=$(date +%s.%N)
  local loadavg
  loadavg=$(load)
  local frames period t2
  read -r frames period <<<"$(read_loop)"
  t2=$(date +%s.%N)
  python3 - "$name" "$c0" "$c1" "$x0" "$x1" "$t0" "$t1" "$ticks" "$run_start" "$t2" "${frames:-0}" "${period:-?}" \
    "$loadavg" <<'EOF'
import sys
name, c0, c1, x0, x1, t0, t1, tk, r0, r1, frames, period, loadavg = sys.argv[1:]
wall = float(t1) - float(t0)
cpu = (int(c1) - int(c0)) / int(tk) / wall * 100
xs = (int(x1) - int(x0)) / int(tk) / wall * 100
rate = int(frames) / (float(r1) - float(r0))
if rate < 1:
    sys.exit(1)  # the loop did not run (a device that failed, an X server that ended)
print(f"{name:<11} cpu {cpu:5.1f} %  X {xs:5.1f} %  frames drawn {rate:7.1f}/s  "
      f"achieved period {period} ms  load {loadavg}")
EOF
}

# One try of a case; false when the loop did not run or the X server went away meanwhile.
try_case() {
  local name=$1 size=$2 layout=$3 frozen=$4
  ensure_x || return 1
  "$program" >"$work/program.log" 2>&1 &
  program_pid=$!
  window=$(window_of "$program_pid") || return 1
  if [ "$size" = max ]; then
    xdotool windowmove --sync "$window" 0 0 2>/dev/null
    xdotool windowsize --sync "$window" 1920 1080 2>/dev/null
  fi
  sleep 1
  run_start=$(date +%s.%N)
  key r  # Run
  [ -n "$measurements" ] && key m
  sleep 1
  if [ "$layout" != F1 ]; then
    # Layout keys act on a frozen view: freeze, choose, run on.
    key f
    key "$layout"
    key f
  fi
  if [ "$frozen" = yes ]; then key f; fi
  sleep 2
  local line
  line=$(measure "$name") || return 1
  alive "$xvfb_pid" && alive "$program_pid" || return 1
  echo "$line"
  if [ -n "$shots" ]; then mkdir -p "$shots" && import -window root "$shots/$name.png"; fi
}

run_case() {
  [ -n "$only" ] && [ "$only" != "$1" ] && return
  local tries
  for tries in 1 2 3; do
    try_case "$@"
    local ok=$?
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=""
    [ $ok -eq 0 ] && return
    echo "$1: try $tries failed (no window, no steps, or the X server ended)" >&2
  done
}

run_case f5-default default F5 no
run_case f1-default default F1 no
run_case f5-max max F5 no
run_case f1-max max F1 no
run_case frozen default F1 yes
