#!/usr/bin/env bash
# Makes the Wine prefix of the Wine tests once (later runs reuse it): a 32-bit prefix whose
# relay trace shows user32's MessageBoxA and nothing else, so a test can read each box's text
# and caption from Wine's output. Wine's output goes to a file: its server inherits the
# descriptors and would keep a pipe, and with it this test, open.
# usage: prefix.sh PREFIX
set -u
prefix=$1
command -v wine >/dev/null || { echo "SKIP: wine is not installed (scripts/install-deps)"; exit 77; }
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -e "$prefix/system.reg" ] || ! grep -q RelayInclude "$prefix/user.reg" 2>/dev/null; then
  rm -rf "$prefix"
  if ! wineboot -i </dev/null >"$prefix.log" 2>&1 ||
     ! wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d user32.MessageBoxA /f \
       </dev/null >>"$prefix.log" 2>&1; then
    echo "FAIL: could not make the Wine prefix $prefix:"
    cat "$prefix.log"
    exit 1
  fi
  wineserver -w  # the registry files are written when the server ends
fi
grep -q RelayInclude "$prefix/user.reg" || { echo "FAIL: no relay setting in $prefix"; exit 1; }
echo "Wine prefix ready: $prefix"
