#!/usr/bin/env bash
# Orvel in a real terminal under Xvfb, which runs `orvel --terminal --input demo`: Orvel asks
# the terminal what it can show and draws in what it chose.
#   xterm  as a VT340 (sixel graphics, 256 colour registers): sixel, each channel within 26.
#   kitty  (OpenGL 3.3 through Mesa's software renderer): the kitty graphics protocol, exact.
# The start-up boxes are answered with Enter, a button is pressed and let go with xdotool, and
# the picture in the terminal is compared with the headless host's: the panels around the
# display, within the terminal's colour rounding. Leaves a screenshot, orvel-TERMINAL.png, in
# OUTPUT-DIRECTORY (the README's picture is xterm's).
#
# usage: real_terminal_test.sh xterm|kitty ORVEL-PROGRAM OUTPUT-DIRECTORY
set -euo pipefail

terminal=$1
program=$2
out=$3
if [ -z "${ORVEL_UNDER_XVFB:-}" ]; then
  exec env ORVEL_UNDER_XVFB=1 xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24" \
    "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
# xdotool reads window titles only in the C locale.
export LC_ALL=C
unset WAYLAND_DISPLAY
# shellcheck source=../support/wait.sh
source "$(dirname "$0")/../support/wait.sh"
# Each terminal's files in a folder of its own: the two tests may run at once.
work=$out/$terminal-test
mkdir -p "$work"
log=$work/log
code=$work/code
size=$work/size
shot=$work/window.png
rm -f "$code" "$log" "$size"

fail() {
  echo "$terminal test: $*" >&2
  cat "$log" >&2 2>/dev/null || true
  exit 1
}

# The headless host's picture of the same program.
"$program" --headless --input demo --seconds 1 --screenshot "$work/headless.png" 2>/dev/null ||
  fail "the headless run failed"

# The program, run by the terminal's shell, which first notes the terminal's size in cells.
run="stty size >'$size'; DISPLAY= '$program' --terminal --input demo 2>'$log'; echo \$? >'$code'"
case $terminal in
  xterm)
    # The picture's colours are the sixel cube's: each channel within 26 of 255 (11%).
    fuzz=11 border=2
    xterm -name orvel-xterm -ti vt340 -xrm 'XTerm*decTerminalID: vt340' \
      -xrm 'XTerm*numColorRegisters: 256' -fn fixed -geometry 110x40+0+0 -e sh -c "$run" &
    ;;
  kitty)
    # Kitty shows the picture exactly. Its cell grid starts at the window's corner.
    fuzz=0 border=0
    LIBGL_ALWAYS_SOFTWARE=1 kitty --config NONE --class orvel-kitty -o font_size=10 \
      -o placement_strategy=top-left -o window_padding_width=0 -o update_check_interval=0 \
      -o confirm_os_window_close=0 -o enable_audio_bell=no sh -c "$run" >"$work/kitty.log" 2>&1 &
    ;;
  *) fail "no such terminal: $terminal (xterm or kitty)" ;;
esac
terminal_pid=$!
trap 'kill $terminal_pid 2>/dev/null || true' EXIT
wait_until 30 test -s "$size" || true
read -r rows cols <"$size" || fail "the terminal's size was not noted"
# The terminal's shown window (kitty makes a window that it destroys on the way).
window=$(xdotool search --sync --onlyvisible --classname "orvel-$terminal" | head -1)
[ -n "$window" ] || fail "no $terminal window"
xdotool windowfocus --sync "$window" 2>/dev/null || true

# The cell size from the window's size (less its inner border), and where the picture lies:
# centred on whole cells, clear of the last row.
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p')
cw=$(((${geometry%x*} - 2 * border) / cols))
ch=$(((${geometry#*x} - 2 * border) / rows))
left=$((border + (cols - (561 + cw - 1) / cw) / 2 * cw))
top=$((border + (rows - 1 - (411 + ch - 1) / ch) / 2 * ch))

capture() {
  import -window "$window" "$shot" 2>/dev/null &&
    convert "$shot" -crop 561x411+$left+$top +repage "$work/picture.png"
}
# How many pixels of a region (WxH+X+Y) of one picture differ from the headless host's by
# more than the terminal's colour rounding.
differing() {
  convert "$work/picture.png" -crop "$1" +repage "$work/a.png"
  convert "$work/headless.png" -crop "$1" +repage "$work/b.png"
  compare -metric AE -fuzz "$fuzz%" "$work/a.png" "$work/b.png" null: 2>&1 || true
}
# Light pixels in the middle of the picture: a box (the CD message, the About box) is up.
box_up() {
  [ "$(convert "$work/picture.png" -crop 200x100+180+150 +repage -colorspace gray \
    -threshold 55% -format '%[fx:int(mean*w*h)]' info:)" -gt 5000 ]
}

# The boxes of start-up are answered until the display shows.
answered=""
for _ in $(seq "$(polls 30 0.5)"); do
  capture || true
  if [ -s "$work/picture.png" ] && [ "$(differing 561x36+0+0)" = 0 ] && ! box_up; then
    answered=yes
    break
  fi
  [ -s "$code" ] && fail "orvel ended early with $(cat "$code")"
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

# The spectrum bars (280, 341) for the screenshot, then q ends the program. The bars stand on
# the display's bottom row, which the sphere never reaches.
bars_shown() {
  capture && [ "$(convert "$work/picture.png" -crop 522x1+20+298 +repage -fill white \
    +opaque black -format '%[fx:int(mean*w+0.5)]' info:)" -gt 100 ]
}
xdotool mousemove --window "$window" $((left + 310)) $((top + 353)) click 1
wait_until 15 bars_shown || fail "the bars did not show"
cp "$shot" "$out/orvel-$terminal.png"
xdotool key --clearmodifiers q
wait_until 10 test -s "$code" || true
[ "$(cat "$code" 2>/dev/null)" = 0 ] || fail "orvel did not end with 0 after q"
echo "$terminal test passed: the picture matches the headless panels; screenshot $out/orvel-$terminal.png"
