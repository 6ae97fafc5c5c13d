#!/usr/bin/env bash
# The display going away (an X server that ends, a session logged out) ends the program: Xlib
# exits the process, which must not then hang on the dead display while it winds down.
#
# usage: display_loss_test.sh ORVEL-PROGRAM
set -uo pipefail
program=$1
# shellcheck source=../support/wait.sh
source "$(dirname "$0")/../support/wait.sh"
export SDL_AUDIODRIVER=dummy
display=:$((100 + RANDOM % 800))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill -9 $xvfb $pid 2>/dev/null' EXIT
pid=
wait_until 5 env DISPLAY="$display" xdpyinfo >/dev/null 2>&1
DISPLAY=$display "$program" --input demo >/dev/null 2>&1 &
pid=$!
# Started: the program has a window (its CD message or About box, "Orvel" or "Orvel!").
has_window() { DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Orvel'; }
wait_until 15 has_window || { echo "display loss test: orvel opened no window" >&2; exit 1; }
kill -0 "$pid" 2>/dev/null || { echo "display loss test: orvel did not start" >&2; exit 1; }
kill -9 "$xvfb"
# However loaded the machine, the program ends well within half a minute.
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 30 ended && { echo "display loss test passed"; exit 0; }
echo "display loss test: orvel still runs 30 s after its display went away" >&2
exit 1
