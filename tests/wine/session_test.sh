#!/usr/bin/env bash
# Orvel as a user runs it, under both builds, on one X server and one sound server: the
# Windows build (orvel.exe under Wine, recording through Wine's PulseAudio driver) and the
# portable build (`orvel --input monitor`). A steady tone plays into the null sink whose
# monitor is the default source. Each build's start-up boxes are answered with Enter, then
# the bars, gauge and extents buttons are clicked, each followed by shots of the window;
# shot-compare holds the two builds' shots against each other. The shots stay in WORK.
# usage: session_test.sh WORK PREFIX ORVEL.EXE ORVEL SHOT-COMPARE
set -u
work=$1 PREFIX=$2 windows_exe=$3 portable=$4 compare=$5
WORK=$work
mkdir -p "$work"
rm -f "$work"/*.png "$work"/*.log
here=$(dirname "$0")
source "$here/wine-lib.sh"
source "$here/../support/pulse-server.sh"
wine_need wine wineserver Xvfb xdotool import sox paplay
trap wine_cleanup EXIT

# 689.0625 Hz is two periods in the app's 64 samples at 22050 Hz: a steady level for the
# gauge, one band for the bars. 0.2 of full scale keeps every display inside its range.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 120 sine 440 vol 0.2 ||
  fail "sox could not make the tone"
sound_server_start || fail "no sound server"
xvfb_start || exit 1
paplay "$work/tone.wav" &
TEST_PIDS=$!

# The display buttons, by their centres: bars, gauge, extents.
steps="bars:310:353 gauge:310:383 extents:245:353"
shots=6

# drive NAME COMMAND...: starts the program, answers start-up, then per display clicks its
# button, lets it settle and takes the shots NAME-DISPLAY-K.png.
drive() {
  local name=$1 main step display x y k
  shift
  "$@" >"$work/$name.log" 2>&1 &
  local pid=$!
  TEST_PIDS="$TEST_PIDS $pid"
  main=$(answer_startup) || fail "$name: start-up"
  sleep 1
  for step in $steps; do
    IFS=: read -r display x y <<<"$step"
    xdotool mousemove --window "$main" "$x" "$y" click 1
    sleep 1.5
    for k in $(seq $shots); do
      import -window "$main" "$work/$name-$display-$k.png" || fail "$name: no screenshot"
      sleep 0.2
    done
  done
  kill -0 "$pid" 2>/dev/null || fail "$name ended early"
  # A signal ends the program as it ends any other.
  kill "$pid"
  for k in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { kill -9 "$pid"; fail "$name did not end on SIGTERM"; }
  wait "$pid" 2>/dev/null
}

wine_env
drive wine wine "$windows_exe"
wine_stop
export SDL_AUDIODRIVER=pulseaudio
drive portable "$portable" --input monitor

status=0
for step in $steps; do
  display=${step%%:*}
  # The last shot: Wine may still be repainting the buttons in the first.
  "$compare" chrome "$work/wine-$display-$shots.png" "$work/portable-$display-$shots.png" ||
    status=1
  list() { local k; for k in $(seq $shots); do printf '%s,' "$work/$1-$display-$k.png"; done; }
  "$compare" "$display" "$(list wine)" "$(list portable)" || status=1
done
[ $status -eq 0 ] || fail "the builds differ"
echo "PASS: the Windows build under Wine and the portable build agree"
