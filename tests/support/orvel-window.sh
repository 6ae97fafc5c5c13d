# Orvel's real window under X, for the scripts that click it and look at it. Source this file,
# then:
#   answer_start_up WIDTH   answers the start-up boxes with Enter (the CD message "Orvel", then
#                           the About box "Orvel!", narrower than the main window, which has
#                           the same title) until only the main window, WIDTH pixels wide, is
#                           left; sets `main` to its id (empty if it never came) and
#                           `answered_about` to yes once the About box was answered. Gives up
#                           after about 15 s (tests/support/wait.sh), listing on standard error the windows visible
#                           then.
#   width_of ID             a window's width in pixels
#   press_enter_on ID       focuses a window and presses Enter
#   pixel X Y               "R,G,B" of a pixel of the picture in $shot (0-255 each)
#   lit_in GEOMETRY         how many pixels of the picture in $shot inside GEOMETRY (WxH+X+Y)
#                           are not black
# Needs xdotool and ImageMagick (scripts/install-deps).

# shellcheck source=wait.sh
source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

width_of() {
  xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'
}

press_enter_on() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key --clearmodifiers Return
}

answer_start_up() {
  local width=$1 about id name
  main=""
  answered_about=""
  for _ in $(seq "$(polls 15)"); do
    about=""
    for id in $(xdotool search --onlyvisible --name "^Orvel!?\$" 2>/dev/null || true); do
      name=$(xdotool getwindowname "$id" 2>/dev/null || true)
      if [ "$name" = "Orvel" ]; then
        press_enter_on "$id"
      elif [ "$(width_of "$id")" = "$width" ]; then
        main=$id
      else
        about=$id
      fi
    done
    if [ -n "$about" ]; then
      press_enter_on "$about"
      answered_about=yes
    elif [ -n "$main" ] && [ -n "$answered_about" ]; then
      return 0
    fi
    sleep 0.1
  done
  echo "answer_start_up: gave up; visible windows now:" >&2
  for id in $(xdotool search --onlyvisible --name "" 2>/dev/null || true); do
    echo "  $id \"$(xdotool getwindowname "$id" 2>/dev/null || true)\" width $(width_of "$id")" >&2
  done
}

pixel() {
  convert "$shot" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}

lit_in() {
  convert "$shot" -crop "$1" +repage -fill white +opaque black -fill black -opaque black \
    -format "%[fx:int(mean*w*h+0.5)]" info:
}
