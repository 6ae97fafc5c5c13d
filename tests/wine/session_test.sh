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

# show NAME MAIN DISPLAY X Y: clicks the display's button at (X, Y) until the window shows
# the display (a click that comes while the window still ignores input, as the About box
# closes, is lost; the button only chooses its display), then takes shots until two in a row
# measure alike: the display has settled.
show() {
  local name=$1 main=$2 display=$3 x=$4 y=$5 k shot previous="" seen=""
  for k in $(seq "$(polls 30 0.5)"); do
    [ -z "$seen" ] && [ $((k % 4)) = 1 ] && xdotool mousemove --window "$main" "$x" "$y" click 1
    shot=$work/$name-settling-$((k % 2)).png
    if import -window "$main" "$shot" 2>/dev/null && "$compare" shows "$display" "$shot"; then
      [ -n "$previous" ] && "$compare" "$display" "$previous" "$shot" >/dev/null && return 0
      seen=yes previous=$shot
    else
      previous=""
    fi
    sleep 0.5
  done
  return 1
}

# drive NAME COMMAND...: starts the program, answers start-up, then per display shows it and
# takes the shots NAME-DISPLAY-K.png.
drive() {
  local name=$1 main step display x y k
  shift
  "$@" >"$work/$name.log" 2>&1 &
  local pid=$!
  TEST_PIDS="$TEST_PIDS $pid"
  main=$(answer_startup) || fail "$name: start-up"
  for step in $steps; do
    IFS=: read -r display x y <<<"$step"
    show "$name" "$main" "$display" "$x" "$y" || fail "$name: the $display display did not settle"
    # The shots sample the display a fifth of a second apart.
    for k in $(seq $shots); do
      import -window "$main" "$work/$name-$display-$k.png" || fail "$name: no screenshot"
      sleep 0.2
    done
  done
  kill -0 "$pid" 2>/dev/null || fail "$name ended early"
  # A signal ends the program as it ends any other.
  kill "$pid"
  ended() { ! kill -0 "$pid" 2>/dev/null; }
  wait_until 5 ended
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
