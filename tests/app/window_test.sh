#!/usr/bin/env bash
# A real window: starts `orvel --input demo` on the SDL2 host under Xvfb, answers the CD
# message and the About box with Enter, clicks the Dots button with xdotool and checks an
# ImageMagick screenshot for the trace in the display area and the chrome around it.
# With a SCALE above 1 the program runs with --scale SCALE: the window is that many times
# larger, the click lands at scaled coordinates, and the screenshot must be the client picture
# enlarged (every SCALE x SCALE block one colour), which then passes the same checks.
#
# usage: window_test.sh ORVEL-PROGRAM OUTPUT-DIRECTORY [SCALE]   (the screenshot is left there)
set -euo pipefail

program=$1
out=$2
scale=${3:-1}
# xvfb-run -a looks for a free display from -n on; starting at a random one keeps tests that
# run at the same time from choosing the same display.
if [ -z "${ORVEL_UNDER_XVFB:-}" ]; then
  exec env ORVEL_UNDER_XVFB=1 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 $((800 * scale))x$((600 * scale))x24" \
    "$0" "$@"
fi

export SDL_AUDIODRIVER=dummy
# In a UTF-8 locale that Xlib takes as plain "UTF-8" (C.UTF-8 here), SDL's message boxes get a
# title of that encoding, which xdotool cannot read, and the CD message would not be found.
export LC_ALL=C
log=$out/window_test.$scale.log
options=()
[ "$scale" = 1 ] || options=(--scale "$scale")
"$program" --input demo "${options[@]}" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

fail() {
  echo "window test: $*" >&2
  cat "$log" >&2 || true
  exit 1
}

# shellcheck source=../support/orvel-window.sh
source "$(dirname "$0")/../support/orvel-window.sh"
answer_start_up $((561 * scale))
[ -n "$main" ] || fail "no main window of $((561 * scale)) pixels"
[ -n "$answered_about" ] || fail "no About box"

shot=$out/orvel-window.png
large=$out/orvel-window-x$scale.png
# The screenshot as the client picture, one pixel a window pixel, in $shot.
take_shot() {
  if [ "$scale" = 1 ]; then
    import -window "$main" "$shot" 2>/dev/null
  else
    import -window "$main" "$large" 2>/dev/null && convert "$large" -sample 561x411\! "$shot"
  fi
}
# The dots stand in the sample columns, 8 pixels apart from x = 20: every lit pixel does.
dots_shown() {
  trace=$(lit_in 522x200+20+100)
  stray=$(convert "$shot" -crop 522x200+20+100 +repage txt:- |
    awk -F'[,:]' 'NR > 1 && $0 !~ /#000000/ { if (($1 % 8) > 3) n++ } END { print n + 0 }')
  [ "$trace" -gt 100 ] && [ "$stray" -eq 0 ]
}

# 3. The Dots button (85, 341), 60 x 25. A click that comes while the window still ignores
# input (the About box just closed) is lost, so it is repeated every two seconds (Dots only
# ever chooses the dots) until the screenshot shows the trace.
trace=0 stray=0
for k in $(seq "$(polls 20 0.5)"); do
  if [ $((k % 4)) = 1 ]; then
    xdotool mousemove --window "$main" $((115 * scale)) $((353 * scale)) click 1
  fi
  take_shot && dots_shown && break
  sleep 0.5
done
[ -s "$shot" ] || fail "no screenshot"
if [ "$scale" != 1 ]; then
  size=$(identify -format "%wx%h" "$large")
  [ "$size" = "$((561 * scale))x$((411 * scale))" ] || fail "scaled screenshot is $size"
  # One pixel of each block, enlarged again, must give the screenshot back exactly.
  convert "$shot" -sample "$size"\! "$out/orvel-window-again.png"
  differing=$(compare -metric AE "$large" "$out/orvel-window-again.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "$differing pixels differ from the client picture enlarged"
fi

size=$(identify -format "%wx%h" "$shot")
[ "$size" = "561x411" ] || fail "screenshot is $size, not 561x411"
[ "$(pixel 5 0)" = "216,216,180" ] || fail "top panel edge is $(pixel 5 0)"
[ "$(pixel 200 3)" = "126,126,102" ] || fail "top panel shading is $(pixel 200 3)"
[ "$(pixel 5 336)" = "126,126,102" ] || fail "bottom panel shading is $(pixel 5 336)"
title=$(convert "$shot" -crop 125x36+432+0 +repage -fill black +opaque "rgb(255,250,0)" \
  -fill white -opaque "rgb(255,250,0)" -format "%[fx:int(mean*w*h+0.5)]" info:)
[ "$title" -gt 100 ] || fail "only $title yellow pixels in the title"
dots_shown || fail "display area: $trace lit pixels, $stray outside the sample columns: no dots trace"
kill -0 $pid 2>/dev/null || fail "orvel ended early"
echo "window test passed: $trace lit pixels in the display area; screenshot $shot"
