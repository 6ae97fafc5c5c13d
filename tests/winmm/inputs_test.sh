#!/usr/bin/env bash
# Choosing the input device on a real PulseAudio server with two null sinks, alpha (the default)
# and beta: --list-inputs shows both monitors, the default marked; --input with a part of a
# name records from that device; a name that matches none or both is refused with the list.
#
# usage: inputs_test.sh ORVEL-PROGRAM
set -uo pipefail
program=$1
source "$(dirname "$0")/../support/pulse-server.sh"
pulse_start alpha beta || exit 1
export SDL_AUDIODRIVER=pulseaudio
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER

fail() {
  echo "inputs test: $*" >&2
  exit 1
}

# SDL names the null sinks' monitors after their description, numbering the second.
first="Monitor of Null Output"
second="Monitor of Null Output (2)"

listing=$("$program" --list-inputs) || fail "--list-inputs failed: $listing"
grep -qxF "* $first" <<<"$listing" || fail "the default is not marked first: $listing"
grep -qxF "  $second" <<<"$listing" || fail "the second monitor is missing: $listing"

for case in "Null:names more than one input" "nothing-like-this:is neither a file nor"; do
  name=${case%%:*}
  out=$("$program" --headless --input "$name" 2>&1) && fail "--input $name was accepted"
  grep -qF "${case#*:}" <<<"$out" || fail "--input $name is not refused as it should be: $out"
  grep -qF "$second" <<<"$out" || fail "--input $name does not list the inputs: $out"
done

# The source that a run of the program records from: `pactl` shows its recording stream.
recorded_source() {
  "$program" --headless --input "$1" --seconds 2 >/dev/null 2>&1 &
  local pid=$! recording=""
  for _ in $(seq "$(polls 10)"); do
    recording=$(pactl list source-outputs | sed -n 's/^[[:space:]]*Source: //p' | head -n 1)
    [ -n "$recording" ] && break
    sleep 0.1
  done
  # Under LeakSanitizer a leak changes the exit code.
  wait $pid || fail "the run on '$1' ended with $?"
  echo "$recording"
}
source_number() { pactl list short sources | awk -v name="$1" '$2 == name { print $1 }'; }

# A unique part of the second name: the recording comes from beta's monitor.
[ "$(recorded_source "(2)")" = "$(source_number beta.monitor)" ] ||
  fail "'(2)' did not record from beta.monitor"
# monitor: what the default output (alpha) plays.
[ "$(recorded_source monitor)" = "$(source_number alpha.monitor)" ] ||
  fail "monitor did not record from alpha.monitor"
echo "inputs test passed"
