#!/usr/bin/env bash
# The two capture paths measured on one full-scale sine: wave-probe.exe under Wine (Wine asks
# PulseAudio for 8-bit samples, and PulseAudio converts) and the portable wave-probe (which
# takes float samples from PulseAudio and converts them itself). A full-scale sine must reach
# 255 in both and 0 in the portable build. PulseAudio's own 8-bit conversion scales by 127
# and rounds, so under Wine the lowest sample is 1: that path is allowed 1, and no more.
# usage: gain_test.sh WORK PREFIX WAVE-PROBE.EXE WAVE-PROBE
set -u
work=$1 PREFIX=$2 windows_probe=$3 portable_probe=$4
WORK=$work
mkdir -p "$work"
here=$(dirname "$0")
source "$here/wine-lib.sh"
source "$here/../support/pulse-server.sh"
wine_need wine wineserver sox paplay
trap wine_cleanup EXIT

sox -n -r 44100 -c 2 -b 16 "$work/full.wav" synth 30 sine 440 norm 0 2>/dev/null ||
  fail "sox could not make the tone"
sound_server_start || fail "no sound server"
paplay "$work/full.wav" &
TEST_PIDS=$!

# check NAME LOWEST-ALLOWED OUTPUT: the probe's line "samples N min LO max HI mean M".
check() {
  local name=$1 lowest=$2 line=$3 count low high mean
  echo "$name: $line"
  read -r _ count _ low _ high _ mean <<<"$line"
  [ -n "$mean" ] || fail "$name: no measurement"
  [ "$count" -ge 11025 ] || fail "$name recorded only $count samples"
  [ "$high" -eq 255 ] || fail "$name: a full-scale sine reaches $high, not 255"
  [ "$low" -le "$lowest" ] || fail "$name: a full-scale sine reaches down to $low, not $lowest"
  # The sine's mean is silence, 128; the portable build's rounding down puts it half a step
  # lower.
  awk -v m="$mean" 'BEGIN { exit !(m > 127 && m < 129) }' || fail "$name: mean $mean, not 128"
}

wine_env
export WINEDEBUG=-all
unset DISPLAY
check "Windows build under Wine" 1 "$(wine "$windows_probe" 500 2>"$work/wine.log")"
wine_stop
check "portable build" 0 "$("$portable_probe" --input monitor 500 2>"$work/portable.log")"
echo "PASS: both capture paths reach the ends of the 8-bit range"
