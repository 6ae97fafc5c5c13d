#!/usr/bin/env bash
# No sound server: PULSE_SERVER names a socket nobody listens on. The Windows build (under
# Wine, whose PulseAudio driver then offers no recording device) must end after a box with
# the caption "WaveDevice Open for Input Failed" and the system's text "A device ID has been
# used that is out of range for your system." (Wine's mapper answers the query and the open
# finds no device); the portable build, whose sound system (SDL on PulseAudio) cannot start
# at all, must end after "WaveDevice Info Query Failed: There is no driver installed on your
# system.". Both then return 0, as after any start-up failure of the sound input. The Windows
# box's text and caption are read from Wine's relay trace of MessageBoxA.
# usage: no_server_test.sh WORK PREFIX ORVEL.EXE ORVEL
set -u
work=$1 PREFIX=$2 windows_exe=$3 portable=$4
WORK=$work
mkdir -p "$work"
rm -f "$work"/*.log
here=$(dirname "$0")
source "$here/wine-lib.sh"
wine_need wine wineserver Xvfb xdotool
trap wine_cleanup EXIT

export PULSE_SERVER="unix:$work/no-server"
export XDG_RUNTIME_DIR="$work"
xvfb_start || exit 1

wine_env
wine "$windows_exe" >"$work/wine.log" 2>&1 &
pid=$!
TEST_PIDS=$pid
answer_startup >/dev/null || fail "Windows build: start-up"
box=""
for _ in $(seq "$(polls 20)"); do
  box=$(windows_titled 'WaveDevice Open for Input Failed' | head -n 1)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "Windows build: no box 'WaveDevice Open for Input Failed'"
answer_box "${box%% *}" || fail "Windows build: the box did not close"
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 10 ended
kill -0 "$pid" 2>/dev/null && fail "Windows build: still running after the box"
expected='"A device ID has been used that is out of range for your system.",[0-9a-f]* "WaveDevice Open for Input Failed"'
grep -aq "Call user32.MessageBoxA(.*$expected" "$work/wine.log" ||
  fail "Windows build: no MessageBoxA with the expected text and caption in $work/wine.log"
echo "Windows build: $(grep -a 'Call user32.MessageBoxA' "$work/wine.log" | tail -n 1 | cut -d'"' -f2,4)"
wine_stop

# The portable build, headless: every box is written to standard error and answered.
SDL_AUDIODRIVER=pulseaudio timeout "$(polls 30 1)" "$portable" --headless >"$work/portable.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "portable build: exit $status, not 0: $(cat "$work/portable.log")"
grep -qx "WaveDevice Info Query Failed: There is no driver installed on your system." \
  "$work/portable.log" || fail "portable build: not the expected message: $(cat "$work/portable.log")"
echo "portable build: $(grep WaveDevice "$work/portable.log")"
echo "PASS: both builds say that there is no sound input and end"
