#!/usr/bin/env bash
# Renders the same 60-second file with Orvel and with FFmpeg's own visualisation filters
# (showwaves in point and line mode and showfreqs, 561x411 at 30 frames a second), to raw
# RGB24 frames, to PNG files and to H.264, and its first 20 seconds at 1920x1080 to H.264, and
# prints the CPU seconds (user + system, all threads) per 1,000 frames and the ratio of
# FFmpeg's to Orvel's.
#
#   bash bench/render/compare.sh [path/to/orvel]      (default: build/default/app/main/orvel)
#
# Needs the ffmpeg program (scripts/install-deps). Each case runs REPEATS times (default 3) and
# counts the median; keep the machine idle for figures worth keeping.
set -euo pipefail
cd "$(dirname "$0")/../.."
orvel=${1:-build/default/app/main/orvel}
[ -x "$orvel" ] || { echo "no Orvel at $orvel: build it first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed (scripts/install-deps)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/orvel-bench-render.XXXXXX")
# The PNG files go to memory where the system has a tmpfs: on a disk, creating and deleting
# thousands of files costs both sides a second or more of system time that varies from run to
# run and says nothing about the encoders.
pictures=$work
[ -d /dev/shm ] && [ -w /dev/shm ] && pictures=$(mktemp -d /dev/shm/orvel-bench-render.XXXXXX)
trap 'rm -rf "$work" "$pictures"' EXIT
song=$work/song.flac
# A minute of gliding tones and a beat, stereo at 44.1 kHz.
ffmpeg -v error -f lavfi -i \
  "aevalsrc=0.4*sin(2*PI*(200+20*t)*t)*(0.6+0.4*sin(2*PI*2*t))+0.2*sin(2*PI*(1500-10*t)*t)|0.4*sin(2*PI*(300+15*t)*t)+0.2*sin(2*PI*(2500-20*t)*t):s=44100:d=60" \
  -c:a flac "$song"
frame=$((561 * 411 * 3))

# seconds <command...>: the CPU seconds (user + system) of the command and its children, the
# median of $REPEATS runs (default 3).
seconds() {
  local i
  for ((i = 0; i < ${REPEATS:-3}; i++)); do
    /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
      cat "$work/err" >&2
      exit 1
    }
    awk '{ printf "%.3f\n", $1 + $2 }' "$work/time"
  done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# raw <command>: CPU seconds and frames of a command that writes raw RGB24 frames. The CPU
# time is taken with the frames going to /dev/null (a pipe would add a reader's costs to both
# sides); the frames are counted in a second run.
raw() {
  local s
  s=$(seconds sh -c "$1 >/dev/null")
  sh -c "$1 2>/dev/null | wc -c >'$work/bytes'"
  echo "$s $(($(cat "$work/bytes") / frame))"
}

# row <what> <orvel seconds> <orvel frames> <ffmpeg seconds> <ffmpeg frames>
row() {
  awk -v what="$1" -v os="$2" -v of="$3" -v fs="$4" -v ff="$5" 'BEGIN {
    o = os * 1000 / of; f = fs * 1000 / ff
    printf "%-42s %7.3f %7.3f %6.1fx\n", what, o, f, f / o }'
}

printf "%-42s %7s %7s %7s\n" "CPU seconds per 1,000 frames" "Orvel" "FFmpeg" "ratio"
waves="showwaves=s=561x411:rate=30"
freqs="showfreqs=s=561x411:win_size=2048:overlap=0.2822"

read -r os of < <(raw "'$orvel' --input '$song' --render -")
for mode in point line; do
  read -r fs ff < <(raw "ffmpeg -v error -i '$song' -filter_complex '[0:a]$waves:mode=$mode[v]' \
    -map '[v]' -f rawvideo -pix_fmt rgb24 -")
  row "raw RGB24 vs showwaves mode=$mode" "$os" "$of" "$fs" "$ff"
done
read -r fs ff < <(raw "ffmpeg -v error -i '$song' -filter_complex '[0:a]$freqs[v]' -map '[v]' \
  -f rawvideo -pix_fmt rgb24 -")
row "raw RGB24 vs showfreqs" "$os" "$of" "$fs" "$ff"
raw_seconds=$os raw_frames=$of

# PNG: Orvel's own, FFmpeg's PNG encoder on the same frames, and showwaves to PNG.
"$orvel" --input "$song" --render - 2>/dev/null >"$work/frames.rgb"
mkdir -p "$pictures/o" "$pictures/f" "$pictures/w"
os=$(seconds "$orvel" --input "$song" --render "$pictures/o/%05d.png")
of=$(find "$pictures/o" -name '*.png' | wc -l)
fs=$(seconds ffmpeg -v error -f rawvideo -pix_fmt rgb24 -s 561x411 -framerate 1000/33 \
  -i "$work/frames.rgb" "$pictures/f/%05d.png")
row "PNG vs FFmpeg's PNG of the same frames" "$os" "$of" "$fs" "$of"
fs=$(seconds ffmpeg -v error -i "$song" -filter_complex "[0:a]$waves:mode=point[v]" -map "[v]" \
  "$pictures/w/%05d.png")
ff=$(find "$pictures/w" -name '*.png' | wc -l)
row "PNG vs showwaves mode=point to PNG" "$os" "$of" "$fs" "$ff"

# H.264 (libx264, preset fast, crf 20) with the sound as AAC.
os=$(seconds "$orvel" --input "$song" --render "$work/o.mp4")
fs=$(seconds ffmpeg -v error -f rawvideo -pix_fmt rgb24 -s 561x411 -framerate 1000/33 \
  -i "$work/frames.rgb" -i "$song" -vf pad=562:412 -c:v libx264 -preset fast -crf 20 \
  -pix_fmt yuv420p -c:a aac -y "$work/f.mp4")
row "H.264 vs FFmpeg encoding the same frames" "$os" "$of" "$fs" "$of"
fs=$(seconds ffmpeg -v error -i "$song" -filter_complex "[0:a]$waves:mode=point,pad=562:412[v]" \
  -map "[v]" -map 0:a -c:v libx264 -preset fast -crf 20 -pix_fmt yuv420p -c:a aac -y "$work/w.mp4")
row "H.264 vs showwaves mode=point to H.264" "$os" "$of" "$fs" "$ff"
awk -v r="$raw_seconds" -v rf="$raw_frames" -v m="$os" -v mf="$of" 'BEGIN {
  printf "Orvel'"'"'s own share of its H.264 render (raw render / H.264 render): %.1f%%\n",
    100 * (r / rf) / (m / mf) }'

# 1080p: Orvel's window enlarged into 1920x1080 frames beside showwaves drawn at 1920x1080,
# both to H.264 with the sound; Orvel's share is its raw 1080p render (program, enlargement,
# RGB) against its H.264 one.
os=$(seconds "$orvel" --input "$song" --seconds 20 --size 1080p --render "$work/o1080.mp4")
of=$(ffprobe -v error -count_packets -select_streams v -show_entries stream=nb_read_packets \
  -of csv=p=0 "$work/o1080.mp4")
fs=$(seconds ffmpeg -v error -t 20 -i "$song" \
  -filter_complex "[0:a]showwaves=s=1920x1080:rate=30:mode=line[v]" -map "[v]" -map 0:a \
  -c:v libx264 -preset fast -crf 20 -pix_fmt yuv420p -c:a aac -y "$work/w1080.mp4")
ff=$(ffprobe -v error -count_packets -select_streams v -show_entries stream=nb_read_packets \
  -of csv=p=0 "$work/w1080.mp4")
row "1080p H.264 vs showwaves 1920x1080 to H.264" "$os" "$of" "$fs" "$ff"
rs=$(seconds sh -c "'$orvel' --input '$song' --seconds 20 --size 1080p --render - >/dev/null")
awk -v r="$rs" -v m="$os" 'BEGIN {
  printf "Orvel'"'"'s own share of its 1080p H.264 render (raw render / H.264 render): %.1f%%\n",
    100 * r / m }'

