#!/usr/bin/env bash
# Makes the Debian package with cpack, checks what it holds and declares, installs it with
# dpkg, runs `orvel --help`, a short headless run and a short render of the installed program,
# checks that the man page documents every option of --help, and removes the package again.
# usage: deb_test.sh BUILD-DIR WORK
set -u
build=$1 work=$2
for tool in cpack dpkg dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
if dpkg -s orvel >/dev/null 2>&1; then
  echo "SKIP: an orvel package is already installed; this test does not replace it"
  exit 77
fi
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(ls "$work"/orvel_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb: $(cat "$work/cpack.log")"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/orvel ./usr/share/applications/orvel.desktop \
            ./usr/share/icons/hicolor/32x32/apps/orvel.png ./usr/share/man/man1/orvel.1; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libsdl2 libfreetype libsndfile1 fonts-liberation; do
  grep -q "$dep" <<<"$depends" || fail "Depends does not name $dep: $depends"
done

trap 'dpkg -r orvel >/dev/null 2>&1' EXIT
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i failed: $(cat "$work/dpkg.log")"
help=$(/usr/bin/orvel --help) || fail "orvel --help failed"
grep -q -- "--input" <<<"$help" || fail "orvel --help does not show --input"
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
  [ "$option" = --help ] && continue
  grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" /usr/share/man/man1/orvel.1 ||
    fail "the man page does not document $option"
done
grep -q '^Icon=orvel$' /usr/share/applications/orvel.desktop || fail "desktop entry: no icon"
SDL_AUDIODRIVER=dummy timeout 60 /usr/bin/orvel --headless --input demo --seconds 2 \
  >"$work/run.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "the installed orvel's headless run ended with $status: $(cat "$work/run.log")"
# A render to files goes through the installed orvel-render: a second of the demo is 31
# pictures (the window's, one every 33 ms).
mkdir -p "$work/frames"
timeout 60 /usr/bin/orvel --input demo --seconds 1 --render "$work/frames/%05d.png" \
  >"$work/render.log" 2>&1 || fail "the installed orvel did not render: $(cat "$work/render.log")"
pictures=$(find "$work/frames" -name '*.png' | wc -l)
[ "$pictures" -eq 31 ] ||
  fail "the installed orvel rendered $pictures pictures, not 31: $(cat "$work/render.log")"
dpkg -r orvel >"$work/dpkg-r.log" 2>&1 || fail "dpkg -r failed: $(cat "$work/dpkg-r.log")"
trap - EXIT
[ ! -e /usr/bin/orvel ] && [ ! -e /usr/bin/orvel-render ] ||
  fail "/usr/bin/orvel or orvel-render is still there after dpkg -r"
echo "PASS: $(basename "$deb") installs, runs and goes again"
