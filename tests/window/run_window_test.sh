#!/usr/bin/env bash
# Starts window_probe on the SDL2 host under Xvfb, clicks its owner-drawn button with xdotool,
# captures the window with ImageMagick and checks the picture and the program's report.
# Exit 77 (skipped) only when Xvfb is not installed.
set -u
probe="$1"
for tool in Xvfb; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

# shellcheck source=../support/wait.sh
source "$(dirname "$0")/../support/wait.sh"
work=$(mktemp -d)
xvfb_pid=""
probe_pid=""
cleanup() {
  [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- probe output:"; cat "$work/out" "$work/err" 2>/dev/null; exit 1; }

# A free display number: no lock file and no socket.
display=""
for n in $(seq 90 190); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq "$(polls 5)"); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      display=":$n"
      break
    fi
    xvfb_pid=""
  fi
done
[ -n "$display" ] || fail "could not start Xvfb on any display from :90 to :190"
export DISPLAY="$display"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

# Under AddressSanitizer: libdbus, which SDL's X11 video opens, keeps a buffer that even
# SDL_Quit does not return. Not ours to mend; the probe's own leaks are still reported.
echo "leak:libdbus-1.so" >"$work/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp"

"$probe" >"$work/out" 2>"$work/err" &
probe_pid=$!

wid=""
for _ in $(seq "$(polls 10)"); do
  wid=$(xdotool search --name "Orvel window test" 2>/dev/null | head -n 1)
  [ -n "$wid" ] && break
  kill -0 "$probe_pid" 2>/dev/null || fail "window_probe ended before its window appeared"
  sleep 0.1
done
[ -n "$wid" ] || fail "no window titled 'Orvel window test' appeared"

# A click before the window is on the screen may be lost: it is repeated every second until
# the program reports it.
for k in $(seq "$(polls 10)"); do
  [ $((k % 10)) = 1 ] && xdotool mousemove --window "$wid" 50 20 click 1
  grep -q clicked "$work/out" && break
  sleep 0.1
done
grep -q clicked "$work/out" || fail "the program did not see the click"
# The picture may take a moment to reach the screen on a loaded machine: look until it does.
pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
problem=""
for _ in $(seq "$(polls 10 0.3)"); do
  problem=""
  import -window "$wid" "$work/shot.png" || { problem="import could not capture the window"; continue; }
  size=$(convert "$work/shot.png" -format '%w %h' info:)
  if [ "$size" != "561 411" ]; then
    problem="window picture is $size, expected 561 411"
    break
  fi
  for check in "150 150 FF0000 the red block of WM_PAINT" \
               "400 150 0000FF the blue block drawn after the click" \
               "50 20 00FF00 the owner-drawn button, released" \
               "5 5 000000 the black class background"; do
    set -- $check
    got=$(pixel "$1" "$2")
    if [ "$got" != "$3" ]; then
      problem="pixel ($1,$2) is $got, expected $3 (${*:4})"
      break
    fi
  done
  [ -z "$problem" ] && break
  sleep 0.3
done
[ -z "$problem" ] || fail "$problem"

wait "$probe_pid"
status=$?
probe_pid=""
[ "$status" -eq 0 ] || fail "window_probe exited with $status"
echo "PASS: 561x411 window painted and clicked under Xvfb $display"
