#!/usr/bin/env bash
# Orvel in a real terminal: xterm as a VT340 (sixel graphics, 256 colour registers) under
# Xvfb runs `orvel --terminal --input demo`, which asks the terminal what it can show and
# draws in sixel. The start-up boxes are answered with Enter, a button is pressed and let go
# with xdotool, and the picture in the xterm is compared with the headless host's: the panels
# around the display within the sixel colours' rounding. Leaves a screenshot of the xterm,
# orvel-xterm.png, in OUTPUT-DIRECTORY (the README's picture).
#
# usage: xterm_test.sh ORVEL-PROGRAM OUTPUT-DIRECTORY
set -euo pipefail

program=$1
out=$2
if [ -z "${ORVEL_UNDER_XVFB:-}" ]; then
  exec env ORVEL_UNDER_XVFB=1 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 800x600x24" \
    "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY
log=$out/xterm_test.log
code=$out/xterm_test.code
shot=$out/xterm.png
rm -f "$code" "$log"
# shellcheck source=../support/wait.sh
source "$(dirname "$0")/../support/wait.sh"

fail() {
  echo "xterm test: $*" >&2
  cat "$log" >&2 2>/dev/null || true
  exit 1
}

# The headless host's picture of the same program.
"$program" --headless --input demo --seconds 1 --screenshot "$out/headless.png" 2>/dev/null ||
  fail "the headless run failed"

cols=110 rows=40
xterm -name orvel-xterm -ti vt340 -xrm 'XTerm*decTerminalID: vt340' \
  -xrm 'XTerm*numColorRegisters: 256' -fn fixed -geometry ${cols}x${rows}+0+0 \
  -e sh -c "DISPLAY= '$program' --terminal --input demo 2>'$log'; echo \$? >'$code'" &
xterm_pid=$!
trap 'kill $xterm_pid 2>/dev/null || true' EXIT
window=$(xdotool search --sync --classname orvel-xterm | head -1)
[ -n "$window" ] || fail "no xterm window"
xdotool windowfocus --sync "$window" 2>/dev/null || true

# The cell size from the window's size (an inner border of 2 pixels), and where the picture
# lies: centred on whole cells, clear of the last row.
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p')
cw=$(((${geometry%x*} - 4) / cols))
ch=$(((${geometry#*x} - 4) / rows))
left=$((2 + (cols - (561 + cw - 1) / cw) / 2 * cw))
top=$((2 + (rows - 1 - (411 + ch - 1) / ch) / 2 * ch))

capture() {
  import -window "$window" "$shot" 2>/dev/null &&
    convert "$shot" -crop 561x411+$left+$top +repage "$out/picture.png"
}
# How many pixels of a region (WxH+X+Y) of one picture differ from the headless host's by
# more than the sixel colours' rounding (26 of 255 in a channel: 11%).
differing() {
  convert "$out/picture.png" -crop "$1" +repage "$out/a.png"
  convert "$out/headless.png" -crop "$1" +repage "$out/b.png"
  compare -metric AE -fuzz 11% "$out/a.png" "$out/b.png" null: 2>&1 || true
}
# Light pixels in the middle of the picture: a box (the CD message, the About box) is up.
box_up() {
  [ "$(convert "$out/picture.png" -crop 200x100+180+150 +repage -colorspace gray \
    -threshold 55% -format '%[fx:int(mean*w*h)]' info:)" -gt 5000 ]
}

# The boxes of start-up are answered until the display shows.
answered=""
for _ in $(seq "$(polls 30 0.5)"); do
  capture || true
  if [ -s "$out/picture.png" ] && [ "$(differing 561x36+0+0)" = 0 ] && ! box_up; then
    answered=yes
    break
  fi
  xdotool key --clearmodifiers Return
  sleep 0.5
done
[ -n "$answered" ] || fail "the window never showed without a box ($(differing 561x36+0+0) top pixels differ)"
panels=$(differing 561x75+0+336)
[ "$panels" = 0 ] || fail "$panels pixels of the lower panel differ from the headless host's"

# The gauge button (280, 371), 60 x 25: pressed it looks otherwise, let go as before.
xdotool mousemove --window "$window" $((left + 310)) $((top + 383)) mousedown 1
for _ in $(seq "$(polls 10 0.25)"); do
  capture && [ "$(differing 60x25+280+371)" != 0 ] && break
  sleep 0.25
done
[ "$(differing 60x25+280+371)" != 0 ] || fail "the pressed button did not change"
xdotool mouseup 1
for _ in $(seq "$(polls 10 0.25)"); do
  capture && [ "$(differing 60x25+280+371)" = 0 ] && break
  sleep 0.25
done
[ "$(differing 60x25+280+371)" = 0 ] || fail "the button did not come back up"

# The spectrum bars (280, 341) for the README's picture, then q ends the program.
# The bars stand on the display's bottom row, which the sphere never reaches.
bars_shown() {
  capture && [ "$(convert "$out/picture.png" -crop 522x1+20+298 +repage -fill white +opaque black \
    -format '%[fx:int(mean*w+0.5)]' info:)" -gt 100 ]
}
xdotool mousemove --window "$window" $((left + 310)) $((top + 353)) click 1
wait_until 15 bars_shown || fail "the bars did not show"
cp "$shot" "$out/orvel-xterm.png"
xdotool key --clearmodifiers q
wait_until 10 test -s "$code" || true
[ "$(cat "$code" 2>/dev/null)" = 0 ] || fail "orvel did not end with 0 after q"
echo "xterm test passed: sixel picture matches the headless panels; screenshot $out/orvel-xterm.png"
