#!/usr/bin/env bash
# Full screen and a resized window, under Xvfb with a window manager (openbox), as a desktop
# has one: `orvel --input demo --fullscreen` fills a 1683 x 1300 screen with the window
# enlarged three times (whole blocks), centred on black, and a click on the Dots button's
# enlarged place selects the dots trace; F11 gives the window back at its own size, and
# resized to 1200 x 900 it shows the picture 1200 x 879, smoothed at its pixels' edges, centred,
# where a click on the sphere button selects the sphere;
# a double-click on the black above it makes it full screen again.
#
# usage: fullscreen_test.sh ORVEL-PROGRAM OUTPUT-DIRECTORY   (the screenshots are left there)
set -euo pipefail

program=$1
out=$2
if [ -z "${ORVEL_UNDER_XVFB:-}" ]; then
  exec env ORVEL_UNDER_XVFB=1 xvfb-run -a -n $((100 + RANDOM % 800)) \
    -s "-screen 0 1683x1300x24" "$0" "$@"
fi

export SDL_AUDIODRIVER=dummy
# As in the real-window test: titles that xdotool can read.
export LC_ALL=C
log=$out/fullscreen_test.log
fail() {
  echo "fullscreen test: $*" >&2
  cat "$log" >&2 || true
  exit 1
}

# shellcheck source=../support/orvel-window.sh
source "$(dirname "$0")/../support/orvel-window.sh"
openbox >"$out/openbox.log" 2>&1 &
wm=$!
pid=""
trap 'kill $pid $wm 2>/dev/null || true' EXIT
# The window manager is there once it has named itself on the root window.
for _ in $(seq "$(polls 15)"); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || fail "openbox did not start"
"$program" --input demo --fullscreen >"$log" 2>&1 &
pid=$!

# Waits (up to about 15 s) until the main window is `width` pixels wide.
wait_for_width() {
  for _ in $(seq "$(polls 15)"); do
    [ "$(width_of "$main")" = "$1" ] && return 0
    sleep 0.1
  done
  fail "the window is $(width_of "$main") pixels wide, not $1"
}

# Whether the picture in `shot`, width x height from window pixel (x, y), is right: black
# around it, every block one colour where the size is a whole multiple, and the client picture
# it gives (a window pixel's centre lies in its flat inside when smoothed) the display asked
# for: `dots`, or `sphere` (lit pixels between the dots' sample columns). Says what is wrong in
# `wrong`.
picture_right() {
  local width=$1 height=$2 x=$3 y=$4 name=$5 display=$6
  local picture=$out/$5-picture.png client=$out/$5-client.png
  wrong=""
  [ "$(pixel 1 1)" = "0,0,0" ] || { wrong="the border is $(pixel 1 1), not black"; return 1; }
  [ "$(pixel $((x + width / 2)) $((y - 1)))" = "0,0,0" ] || { wrong="no black above"; return 1; }
  [ "$(pixel $((x + width / 2)) $((y + height)))" = "0,0,0" ] || { wrong="no black below"; return 1; }
  convert "$shot" -crop "${width}x$height+$x+$y" +repage "$picture"
  convert "$picture" -sample 561x411\! "$client"
  if [ $((width % 561)) = 0 ]; then
    convert "$client" -sample "${width}x$height"\! "$out/$name-again.png"
    differing=$(compare -metric AE "$picture" "$out/$name-again.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || { wrong="$differing pixels are not whole blocks"; return 1; }
  fi
  local whole=$shot
  shot=$client
  trace=$(lit_in 522x200+20+100)
  stray=$(convert "$shot" -crop 522x200+20+100 +repage txt:- |
    awk -F'[,:]' 'NR > 1 && $0 !~ /#000000/ { if (($1 % 8) > 3) n++ } END { print n + 0 }')
  edge=$(pixel 5 0)
  shot=$whole
  [ "$edge" = "216,216,180" ] || { wrong="the top panel's edge is $edge"; return 1; }
  [ "$trace" -gt 100 ] || { wrong="only $trace lit pixels in the display area"; return 1; }
  if [ "$display" = dots ]; then
    [ "$stray" -eq 0 ] || { wrong="$stray lit pixels outside the sample columns: not the dots"; return 1; }
  else
    [ "$stray" -gt 100 ] || { wrong="only $stray lit pixels outside the sample columns: not the sphere"; return 1; }
  fi
}

# Takes screenshots of the main window until the picture is right, for up to about 20 s.
# With a place "X Y" after the display, clicks it first and again every two seconds: a click that
# comes while the window still ignores input (the About box just closed) is lost.
expect_picture() {
  shot=$out/$5.png
  local k
  for k in $(seq "$(polls 20 0.5)"); do
    if [ -n "${7:-}" ] && [ $((k % 4)) = 1 ]; then
      xdotool mousemove --window "$main" $7 click 1
    fi
    import -window "$main" "$shot" 2>/dev/null && picture_right "$@" && return 0
    sleep 0.5
  done
  fail "$5: $wrong"
}

answer_start_up 1683
[ -n "$main" ] || fail "no full-screen main window"
[ -n "$answered_about" ] || fail "no About box"

# 1. Full screen: 1683 x 1300 holds the 561 x 411 picture three times, from (0, 32).
expect_picture 1683 1233 0 32 fullscreen dots "$((115 * 3)) $((32 + 353 * 3))"

# 2. F11 leaves full screen; resized to 1200 x 900 the picture spans the width, from (0, 10),
# and a click on the sphere button's place there (client pixel (505, 383)) selects the sphere.
xdotool windowfocus --sync "$main" key F11
wait_for_width 561
xdotool windowsize --sync "$main" 1200 900
wait_for_width 1200
expect_picture 1200 879 0 10 resized dots
expect_picture 1200 879 0 10 resized-sphere sphere "$((505 * 1200 / 561)) $((10 + 383 * 879 / 411))"

# 3. A double-click on the black above the picture makes it full screen again.
xdotool mousemove --window "$main" 600 4 click --repeat 2 --delay 80 1
wait_for_width 1683
kill -0 $pid 2>/dev/null || fail "orvel ended early"
echo "fullscreen test passed"
