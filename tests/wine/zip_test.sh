#!/usr/bin/env bash
# The Windows zip a user downloads: made with cpack from the Windows build, unpacked, and its
# orvel.exe started under Wine as a user would start it (Xvfb, a sound server, the start-up
# boxes answered) until its main window stands.
# usage: zip_test.sh WORK PREFIX WINDOWS-BUILD-DIR
set -u
work=$1 PREFIX=$2 windows_build=$3
WORK=$work
here=$(dirname "$0")
source "$here/wine-lib.sh"
source "$here/../support/pulse-server.sh"
wine_need cpack unzip wine wineserver Xvfb xdotool
trap wine_cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

cpack --config "$windows_build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
zip=$(ls "$work"/orvel-*-win32.zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || fail "cpack made no zip: $(cat "$work/cpack.log")"
listing=$(unzip -Z1 "$zip")
top=$(basename "$zip" .zip)
for file in orvel.exe README.txt; do
  grep -qx "$top/$file" <<<"$listing" || fail "the zip lacks $top/$file: $listing"
done
unzip -q "$zip" -d "$work/unpacked" || fail "unzip failed"

sound_server_start || fail "no sound server"
xvfb_start || exit 1
wine_env
cd "$work/unpacked/$top" || fail "no $top folder"
wine orvel.exe >"$work/wine.log" 2>&1 &
TEST_PIDS=$!
main=$(answer_startup) || fail "the unpacked orvel.exe did not reach its main window"
kill -0 "$TEST_PIDS" 2>/dev/null || fail "orvel.exe ended"
echo "PASS: $(basename "$zip") holds orvel.exe and README.txt; orvel.exe runs (window $main)"
