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
sleep 0.5

click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
click 375 20  # Time: the date line, and each second the strip and the CD position
click 310 20  # NEXT: track 2
click 310 20  # NEXT: track 3
click 310 353 # Bars
shot=$out/orvel-cd.png

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
  elif [ "$(pixel 267 311)" = "$(pixel 237 311)" ]; then
    echo "track 3 is not highlighted" # its box edge is lighter than track 1's
  fi
}

# A few seconds of play; a loaded machine may need more, so look a few times before failing.
sleep 3.5
for _ in $(seq 1 20); do
  import -window "$main" "$shot" || fail "no screenshot"
  why=$(problem)
  [ -n "$why" ] || break
  sleep 1
done
[ -z "$why" ] || fail "$why"
kill -0 $pid 2>/dev/null || fail "orvel ended early"
echo "cd window test passed; screenshot $shot"
