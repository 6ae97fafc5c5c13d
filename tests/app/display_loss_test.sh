#!/usr/bin/env bash
# The display going away (an X server that ends, a session logged out) ends the program: Xlib
# exits the process, which must not then hang on the dead display while it winds down.
#
# usage: display_loss_test.sh ORVEL-PROGRAM
set -uo pipefail
program=$1
export SDL_AUDIODRIVER=dummy
display=:$((100 + RANDOM % 800))
Xvfb "$display" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill -9 $xvfb $pid 2>/dev/null' EXIT
pid=
for _ in $(seq 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=$display "$program" --input demo >/dev/null 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || { echo "display loss test: orvel did not start" >&2; exit 1; }
kill -9 "$xvfb"
# However loaded the machine, the program ends well within half a minute.
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || { echo "display loss test passed"; exit 0; }
  sleep 0.1
done
echo "display loss test: orvel still runs 30 s after its display went away" >&2
exit 1
