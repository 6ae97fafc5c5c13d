# A PulseAudio server of the test's own, for tests where sound matters. Source this file, then:
#   pulse_start [SINK ...]   starts a server with a null sink for each name (default: orvel);
#                            the first is the default output and its monitor the default input.
#                            Exports PULSE_SERVER, XDG_RUNTIME_DIR and PULSE_RUNTIME_PATH so
#                            that programs started from this shell use it and no other.
#   pulse_stop               ends the server and removes its folder (also on the shell's EXIT).
# Each server lives in a fresh temporary folder, so tests that run at the same time, and the
# user's own server, never meet. Returns non-zero (with the reason) when pulseaudio is missing
# or the server does not come up within ten seconds (scaled as in wait.sh).

# shellcheck source=wait.sh
source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

pulse_start() {
  if ! command -v pulseaudio >/dev/null 2>&1 || ! command -v pactl >/dev/null 2>&1; then
    echo "pulse-server: pulseaudio and pactl are needed (scripts/install-deps)" >&2
    return 1
  fi
  local sinks=("$@")
  [ ${#sinks[@]} -gt 0 ] || sinks=(orvel)
  PULSE_TEST_DIR=$(mktemp -d /tmp/orvel-pulse.XXXXXX)
  local config="$PULSE_TEST_DIR/default.pa"
  : >"$config"
  local sink
  for sink in "${sinks[@]}"; do
    echo "load-module module-null-sink sink_name=$sink" >>"$config"
  done
  {
    echo "load-module module-native-protocol-unix"
    echo "set-default-sink ${sinks[0]}"
    echo "set-default-source ${sinks[0]}.monitor"
  } >>"$config"
  export XDG_RUNTIME_DIR="$PULSE_TEST_DIR"
  export PULSE_RUNTIME_PATH="$PULSE_TEST_DIR/pulse"
  export PULSE_SERVER="unix:$PULSE_TEST_DIR/pulse/native"
  export HOME="${HOME:-$PULSE_TEST_DIR}"
  # Root may run a per-user server too; it only warns, and the warning is not an error.
  pulseaudio -n -F "$config" --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=no --log-target=file:"$PULSE_TEST_DIR/server.log" --log-level=warning &
  PULSE_TEST_PID=$!
  trap pulse_stop EXIT
  local i
  for i in $(seq "$(polls 10)"); do
    if pactl info >/dev/null 2>&1; then return 0; fi
    if ! kill -0 "$PULSE_TEST_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "pulse-server: the server did not start; its log:" >&2
  cat "$PULSE_TEST_DIR/server.log" >&2 2>/dev/null
  pulse_stop
  return 1
}

pulse_stop() {
  if [ -n "${PULSE_TEST_PID:-}" ]; then
    kill "$PULSE_TEST_PID" 2>/dev/null
    wait "$PULSE_TEST_PID" 2>/dev/null
    PULSE_TEST_PID=
  fi
  if [ -n "${PULSE_TEST_DIR:-}" ]; then
    rm -rf "$PULSE_TEST_DIR"
    PULSE_TEST_DIR=
  fi
}
