#!/usr/bin/env bash
# pulse-test-server.sh start [DIR] [--owner PID] | stop DIR
#
# A private sound server for tests of the real device path: two null sinks ("tx_sink", the
# default, and "tx_sink2"; each ".monitor" source records what was played) and two pipe sources
# ("tx_source", the default, fed through the named pipe DIR/source.fifo, and "tx_source2", fed
# through DIR/source2.fifo; s16le stereo at 22050 Hz). Nothing outside DIR is touched, and no
# session server is needed.
#
# start: creates DIR (a new temporary folder when none is given), starts the server, waits until it
#        answers and prints the settings a client needs, one "NAME=VALUE" a line:
#          TX_PULSE_DIR, TX_PULSE_PID, TX_PULSE_FIFO, TX_PULSE_SINK, TX_PULSE_SOURCE,
#          TX_PULSE_FIFO2, TX_PULSE_SINK2, TX_PULSE_SOURCE2,
#          PULSE_SERVER, PULSE_CLIENTCONFIG, PULSE_RUNTIME_PATH, PULSE_STATE_PATH
#        Exits non-zero (and leaves nothing running) when the server does not come up in 10 s.
#        With --owner PID the server also ends (and DIR is removed) once process PID is gone, so a
#        test that crashes leaves nothing behind.
# stop:  ends the server started in DIR (by its recorded process id) and removes DIR.
#
# The source produces nothing unless written to: drain the pipe before use, then feed it at
# real-time pace until the reading stream has stopped.
set -u

rate=22050
channels=2

start() {
  local dir="" owner=""
  while [ $# -gt 0 ]; do
    case "$1" in
      --owner) owner=${2:?--owner needs a process id}; shift 2 ;;
      *) dir=$1; shift ;;
    esac
  done
  if [ -z "$dir" ]; then
    dir=$(mktemp -d /tmp/tx-pulse.XXXXXX) || return 1
  else
    mkdir -p "$dir" || return 1
  fi
  dir=$(cd "$dir" && pwd)
  mkdir -p "$dir/home" "$dir/runtime" "$dir/state"
  chmod 700 "$dir/runtime"
  rm -f "$dir/source.fifo" "$dir/source2.fifo"  # the pipe sources make their own

  cat >"$dir/client.conf" <<EOF
autospawn = no
default-server = unix:$dir/native
EOF
  cat >"$dir/daemon.conf" <<EOF
default-sample-format = s16le
default-sample-rate = $rate
default-sample-channels = $channels
alternate-sample-rate = $rate
avoid-resampling = no
resample-method = trivial
EOF
  cat >"$dir/default.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=tx_sink rate=$rate channels=$channels format=s16le sink_properties=device.description=Test-Output-A
load-module module-null-sink sink_name=tx_sink2 rate=$rate channels=$channels format=s16le sink_properties=device.description=Test-Output-B
load-module module-pipe-source source_name=tx_source file=$dir/source.fifo format=s16le rate=$rate channels=$channels source_properties=device.description=Test-Input-A
load-module module-pipe-source source_name=tx_source2 file=$dir/source2.fifo format=s16le rate=$rate channels=$channels source_properties=device.description=Test-Input-B
set-default-sink tx_sink
set-default-source tx_source
EOF

  export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
  export PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state"
  export PULSE_SERVER="unix:$dir/native" PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_CONFIG="$dir/daemon.conf"
  # A plain background command, so that $! is the server itself.
  pulseaudio -n -F "$dir/default.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --log-target=file:"$dir/server.log" </dev/null >/dev/null 2>&1 &
  local pid=$!
  echo "$pid" >"$dir/server.pid"

  local tries=0
  # Up means answering with both devices loaded (a module that fails to load is not fatal).
  until pactl list short sources 2>/dev/null | grep -q "tx_source2"; do
    tries=$((tries + 1))
    if ! kill -0 "$pid" 2>/dev/null || [ $tries -ge 100 ]; then
      echo "pulse-test-server: the server did not come up (log: $dir/server.log)" >&2
      kill "$pid" 2>/dev/null
      return 1
    fi
    sleep 0.1
  done

  # The null sink renders two seconds ahead while nobody asks for less, so a new stream would
  # wait up to two seconds for its first frames to be taken. A silent low-latency stream kept
  # playing holds the sink at a short latency (mixing in zeros changes no sample); the sink is
  # ready once its monitor delivers.
  : >"$dir/keeper.pid"
  for sink in tx_sink tx_sink2; do
    pacat --playback --raw --format=s16le --rate=$rate --channels=$channels --latency-msec=20 \
      --device=$sink </dev/zero >/dev/null 2>&1 &
    echo "$!" >>"$dir/keeper.pid"
    timeout 5 parec --device=$sink.monitor --raw --latency-msec=20 2>/dev/null | head -c 4096 >/dev/null
  done

  if [ -n "$owner" ]; then
    # Detached from our output, so that whoever reads it sees its end now.
    (while kill -0 "$owner" 2>/dev/null && kill -0 "$pid" 2>/dev/null; do sleep 0.5; done
     "$0" stop "$dir") </dev/null >/dev/null 2>&1 &
  fi

  echo "TX_PULSE_DIR=$dir"
  echo "TX_PULSE_PID=$pid"
  echo "TX_PULSE_FIFO=$dir/source.fifo"
  echo "TX_PULSE_SINK=tx_sink"
  echo "TX_PULSE_SOURCE=tx_source"
  echo "TX_PULSE_FIFO2=$dir/source2.fifo"
  echo "TX_PULSE_SINK2=tx_sink2"
  echo "TX_PULSE_SOURCE2=tx_source2"
  echo "PULSE_SERVER=unix:$dir/native"
  echo "PULSE_CLIENTCONFIG=$dir/client.conf"
  echo "PULSE_RUNTIME_PATH=$dir/runtime"
  echo "PULSE_STATE_PATH=$dir/state"
}

# True while process $1 runs (a zombie waiting for its parent counts as ended).
alive() {
  kill -0 "$1" 2>/dev/null || return 1
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)
  [ -n "$state" ] && [ "$state" != Z ]
}

stop() {
  local dir=${1:?usage: pulse-test-server.sh stop DIR}
  [ -d "$dir" ] || return 0
  if [ -f "$dir/keeper.pid" ]; then kill $(cat "$dir/keeper.pid") 2>/dev/null; fi
  if [ -f "$dir/server.pid" ]; then
    local pid
    pid=$(cat "$dir/server.pid")
    if [ -n "$pid" ] && alive "$pid"; then
      # A private, disposable server: it gets a moment to end cleanly, then it is killed.
      kill "$pid" 2>/dev/null
      for _ in $(seq 15); do alive "$pid" || break; sleep 0.02; done
      if alive "$pid"; then
        kill -9 "$pid" 2>/dev/null
        for _ in $(seq 50); do alive "$pid" || break; sleep 0.02; done
      fi
    fi
  fi
  # Only the folders this script made are removed.
  if [ -f "$dir/default.pa" ] && [ -f "$dir/client.conf" ]; then rm -rf "$dir"; fi
}

case "${1:-}" in
  start) shift; start "$@" ;;
  stop) shift; stop "$@" ;;
  *) echo "usage: $0 start [DIR] | stop DIR" >&2; exit 2 ;;
esac
