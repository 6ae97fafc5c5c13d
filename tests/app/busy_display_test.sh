#!/usr/bin/env bash
# A busy X server refuses connections for a moment (its queue of connections waiting to be
# accepted is full): the program tries the display again and opens its window, where it used
# to report that there was no display. The refusals come from a preloaded library that fails
# the first connections to the X server's socket with EAGAIN.
#
# usage: busy_display_test.sh ORVEL-PROGRAM REFUSING-LIBRARY
set -uo pipefail
program=$1
# shellcheck source=../support/wait.sh
source "$(dirname "$0")/../support/wait.sh"
refusing=$2
export SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
pid=
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill -9 $xvfb $pid 2>/dev/null; rm -rf "$work"' EXIT
wait_until 10 test -s "$work/display"
[ -s "$work/display" ] || { echo "busy display test: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

LD_PRELOAD=$refusing "$program" --input demo >"$work/log" 2>&1 &
pid=$!
for _ in $(seq "$(polls 15)"); do
  if xdotool search --onlyvisible --name "^Orvel" >/dev/null 2>&1; then
    echo "busy display test passed"
    exit 0
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
echo "busy display test: no window after the refused connections" >&2
cat "$work/log" >&2
exit 1
