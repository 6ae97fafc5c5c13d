#!/usr/bin/env bash
# scripts/check-includes on small trees made here: it names every program include that reaches
# into the layer's internals, in each form an include can take, lets the public headers and the
# one registered exception through, and fails on a single stray include.
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# tree DIR: a layer with public and internal headers, and a program beside it.
tree() {
  mkdir -p "$1"/platform/{include/win32,user,gdi,kernel} "$1"/{app,audio,cd,displays,draw,resources}
  touch "$1"/platform/include/windows.h "$1"/platform/include/win32/winuser.h \
    "$1"/platform/user/internal.h "$1"/platform/gdi/surface.h "$1"/platform/kernel/resources.h
  printf '#include "state.h"\n' >"$1"/app/state.cpp
  touch "$1"/app/state.h
  printf '#include "kernel/resources.h"\n' >"$1"/resources/embedded.cpp
}

# expect NAME STATUS OUTPUT-FILE LINES...: the exit status and exactly these lines of findings.
expect() {
  local name=$1 status=$2 out=$3 want
  shift 3
  want=$(printf '%s\n' "$@")
  local got
  got=$(grep '^[a-z]*/.*: includes' "$out" | sed 's/, an internal.*//' || true)
  if [ "$got" != "$want" ] || [ "$(cat "$out.status")" != "$status" ]; then
    echo "FAIL $name: status $(cat "$out.status") (want $status)"
    diff <(echo "$want") <(echo "$got") || true
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

run() {  # run DIR OUT
  set +e
  bash "$check" "$1" >"$2" 2>&1
  echo $? >"$2.status"
  set -e
}

tree "$work/clean"
printf '#include <windows.h>\n#include "win32/winuser.h"\n#include <mmsystem.h>\n' \
  >"$work/clean/audio/capture.cpp"
run "$work/clean" "$work/clean.out"
expect "public headers and the resource registration pass" 0 "$work/clean.out" ""

tree "$work/three"
printf '#include <windows.h>\n#include "user/internal.h"\n' >"$work/three/app/commands.cpp"
printf '#include "../platform/gdi/surface.h"\n' >"$work/three/displays/gauge.h"
printf '  #  include <gdi/surface.h>\n' >"$work/three/cd/cd_audio.cpp"
printf '#include "kernel/resources.h"\n' >"$work/three/draw/boxes.cpp"
run "$work/three" "$work/three.out"
expect "internal headers in every form are listed" 1 "$work/three.out" \
  'app/commands.cpp:2: includes "user/internal.h"' \
  'cd/cd_audio.cpp:1: includes "gdi/surface.h"' \
  'displays/gauge.h:1: includes "../platform/gdi/surface.h"' \
  'draw/boxes.cpp:1: includes "kernel/resources.h"'

tree "$work/one"
printf '#include "platform/user/internal.h"\n' >"$work/one/audio/frame.cpp"
run "$work/one" "$work/one.out"
expect "a single stray include fails" 1 "$work/one.out" \
  'audio/frame.cpp:1: includes "platform/user/internal.h"'

# And this checkout itself.
run "$(dirname "$check")/.." "$work/self.out"
expect "this checkout" 0 "$work/self.out" ""

[ "$failures" -eq 0 ]
