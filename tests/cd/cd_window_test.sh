#!/usr/bin/env bash
# The CD player in a real window: makes a small album (a folder of five FLAC tracks, each a
# chord of its own) with sox, starts `orvel --cd ALBUM` on the SDL2 host under Xvfb with SDL's
# dummy sound output, turns the clock on, goes to track 3 with NEXT twice and shows the bars;
# then checks an ImageMagick screenshot for the position line, the track strip with track 3
# highlighted and the bars lit by what the CD plays. The screenshot is the README's picture.
#
# usage: cd_window_test.sh ORVEL-PROGRAM OUTPUT-DIRECTORY   (album and screenshot left there)
set -euo pipefail

program=$1
out=$2
# A random first display: tests that run at the same time do not choose the same one.
if [ -z "${ORVEL_UNDER_XVFB:-}" ]; then
  exec env ORVEL_UNDER_XVFB=1 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 800x600x24" "$0" "$@"
fi

album=$out/album
rm -rf "$album"
mkdir -p "$album"
chords=("880 1109 2637" "988 1245 2960" "1047 1319 3136" "1175 1480 3520" "1319 1661 3951")
for i in 1 2 3 4 5; do
  set -- ${chords[$((i - 1))]}
  sox -q -n -r 44100 -c 2 -b 16 "$album/0$i - Chord $i.flac" \
    synth 12 sine "$1" sine "$2" sine "$3" remix - fade 0.05 12 0.5 gain -6
done

export SDL_AUDIODRIVER=dummy
log=$out/cd_window_test.log
"$program" --cd "$album" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

fail() {
  echo "cd window test: $*" >&2
  cat "$log" >&2 || true
  exit 1
}

# shellcheck source=../support/orvel-window.sh
source "$(dirname "$0")/../support/orvel-window.sh"
answer_start_up 561
[ -n "$main" ] || fail "no main window of 561 pixels"
shot=$out/orvel-cd.png

click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
look() { import -window "$main" "$shot" 2>/dev/null; }
# Whether track N's box in the strip of the screenshot is highlighted: its edge differs from
# the boxes' beside it.
lit_track() {
  local x=$((237 + 15 * ($1 - 1)))
  [ "$(pixel "$x" 311)" != "$(pixel $((x - 15)) 311)" ] &&
    [ "$(pixel "$x" 311)" != "$(pixel $((x + 15)) 311)" ]
}
highlighted() { look && lit_track "$1"; }
# Clicks a button and waits until `check` shows the click arrived. A click that comes while the
# window still ignores input (the About box just closed) is lost: after 5 s without its effect
# it is made again.
click_until() {
  local x=$1 y=$2
  shift 2
  for _ in 1 2 3; do
    click "$x" "$y"
    wait_until 5 "$@" && return 0
  done
  return 1
}
# What the picture must show; empty when it does.
problem() {
  local bars position
  bars=$(lit_in 522x200+20+100)
  position=$(lit_in 130x27+405+48)
  if [ "$bars" -le 500 ]; then
    echo "display area has only $bars lit pixels: the CD is not heard"
  elif [ "$position" -le 50 ]; then
    echo "no position line ($position lit pixels)"
  elif [ "$(pixel 237 311)" = "0,0,0" ]; then
    echo "no track strip"
  elif ! lit_track 3; then
    echo "track 3 is not highlighted"
  fi
}
date_shown() { look && [ "$(lit_in 330x24+30+50)" -gt 100 ]; }

# Time: the date line, and each second the strip and the CD position.
click_until 375 20 date_shown || fail "no date line after Time"
click_until 310 20 highlighted 2 || fail "NEXT did not go to track 2"
click_until 310 20 highlighted 3 || fail "NEXT did not go to track 3"
click 310 353 # Bars
# A few seconds of play; a loaded machine may need more.
ready() { look && [ -z "$(problem)" ]; }
wait_until 20 ready || true
[ -s "$shot" ] || fail "no screenshot"
why=$(problem)
[ -z "$why" ] || fail "$why"
kill -0 $pid 2>/dev/null || fail "orvel ended early"
echo "cd window test passed; screenshot $shot"
