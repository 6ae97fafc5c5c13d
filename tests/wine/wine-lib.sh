# Shared by the Wine tests: a private X server, the test's Wine prefix, a sound server of the
# test's own, and driving Orvel's start-up boxes with xdotool. Source it; the caller sets
# WORK (a folder of its own in the build tree) and PREFIX (the Wine prefix).

# In a UTF-8 locale that Xlib takes as plain "UTF-8" (C.UTF-8 here), the titles of SDL's
# message boxes are set in an encoding that xdotool cannot read, and the portable program's
# CD message would not be found: the programs and tools run in the C locale.
export LC_ALL=C

# Deadlines, scaled for slow machines by ORVEL_TEST_WAIT_SCALE.
# shellcheck source=../support/wait.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/wait.sh"

# Exits with 77 (CTest: skipped) and says why when a tool the test needs is missing.
wine_need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
      exit 77
    fi
  done
}

# Fails the test: the reason, then the end of each log in WORK, so that a failure in a CI run
# can be read from the test's output alone (the folder is gone, or rewritten by a rerun).
fail() {
  local log
  echo "FAIL: $*"
  for log in "$WORK"/*.log; do
    [ -f "$log" ] || continue
    echo "--- the end of $log:"
    tail -n 15 "$log"
  done
  exit 1
}

# Starts Xvfb on a free display number and exports DISPLAY.
XVFB_PID=""
xvfb_start() {
  local n
  for n in $(seq 91 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq "$(polls 5)"); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; unset WAYLAND_DISPLAY; return 0; }
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    XVFB_PID=""
  done
  echo "FAIL: Xvfb did not start on any display from :91 to :190"
  return 1
}

# Wine in the test's prefix, quiet except for the relay trace of MessageBoxA (set up in the
# prefix by prefix.sh), which shows each box's text and caption. A server still ending from
# an earlier run is waited for: a program that reaches a dying server gets no desktop.
wine_env() {
  export WINEPREFIX="$PREFIX" WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEDEBUG=-all,+relay
  wine_stop
}

# Ends every Wine process of the prefix and waits until its server is gone.
wine_stop() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}

# pulse_start (tests/support/pulse-server.sh), keeping wine_cleanup as the exit trap: it
# ends the sound server too, after the programs that use it.
sound_server_start() {
  pulse_start || return 1
  trap wine_cleanup EXIT
}

# Ends everything the test started: the programs, Wine's server for the prefix, X, the sound
# server (pulse-server.sh also ends it on exit).
wine_cleanup() {
  local pid i
  for pid in ${TEST_PIDS:-}; do kill "$pid" 2>/dev/null; done
  [ -n "${WINEPREFIX:-}" ] && wine_stop
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  # What has not ended after two seconds is ended for good: the test must not hang on it.
  for i in $(seq "$(polls 2)"); do
    [ -z "$(jobs -pr)" ] && break
    sleep 0.1
  done
  for pid in $(jobs -pr); do kill -9 "$pid" 2>/dev/null; done
  wait 2>/dev/null
  command -v pulse_stop >/dev/null && pulse_stop
  return 0
}

# The visible top-level windows titled exactly TITLE and their widths: "id width" lines.
windows_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    echo "$id $(xdotool getwindowgeometry "$id" 2>/dev/null |
      sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')"
  done
}

# Answers a box with Enter, as a user would, until it is gone (at most 10 s).
answer_box() {
  local id=$1 i
  for i in $(seq "$(polls 10 0.5)"); do
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
    xdotool key --clearmodifiers Return 2>/dev/null
    sleep 0.5
    xdotool getwindowname "$id" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$id" || return 0
  done
  return 1
}

# Start-up as a user sees it: the CD message ("Orvel"; the portable build writes it to standard
# error where SDL cannot show a box), then the About box ("Orvel!", narrower than the main
# window of the same title), each answered with Enter. Prints the main window's id.
answer_startup() {
  local i line about="" main=""
  for i in $(seq "$(polls 60)"); do
    while read -r line; do
      [ -n "$line" ] && answer_box "${line%% *}"
    done < <(windows_titled Orvel)
    while read -r line; do
      [ -n "$line" ] || continue
      if [ "${line##* }" = 561 ]; then
        main=${line%% *}
      else
        answer_box "${line%% *}" || { echo "FAIL: the About box did not close" >&2; return 1; }
        about=yes
      fi
    done < <(windows_titled 'Orvel!')
    if [ -n "$about" ] && [ -n "$main" ]; then
      echo "$main"
      return 0
    fi
    sleep 0.1
  done
  echo "FAIL: start-up did not reach the main window after the About box" >&2
  return 1
}
