#!/usr/bin/env bash
# Renders the demo off-line: every frame at a fixed rate into numbered PNG
# files (under a private Xvfb, so nothing waits for a screen), then the frames
# and the song into one video file with ffmpeg.
#
#   scripts/render.sh [-o video.mp4] [-s WIDTHxHEIGHT] [-r FPS] [-t SECONDS] [-k]
#
#   -o  the video file (default: kindra.mp4 in the current directory)
#   -s  frame size, both sides even (default 1280x720)
#   -r  frames per second (default 60)
#   -t  only the first SECONDS of the demo (default: the whole song)
#   -k  keep the folder with the frames (its path is printed)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"

output="$PWD/kindra.mp4"
size="1280x720"
rate="60"
seconds=""
keep=0
usage() { sed -n '6,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while getopts "o:s:r:t:kh" option; do
  case "$option" in
    o) output="$OPTARG" ;;
    s) size="$OPTARG" ;;
    r) rate="$OPTARG" ;;
    t) seconds="$OPTARG" ;;
    k) keep=1 ;;
    *) usage ;;
  esac
done
[[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "render.sh: a size is WIDTHxHEIGHT, not '$size'" >&2; exit 2; }
width="${BASH_REMATCH[1]}"
height="${BASH_REMATCH[2]}"
if (( width < 2 || height < 2 || width % 2 || height % 2 )); then
  echo "render.sh: the video needs even sides, not ${width}x${height}" >&2
  exit 2
fi
[[ "$rate" =~ ^[0-9]+$ ]] && (( rate > 0 )) || { echo "render.sh: the rate is a whole number of frames per second, not '$rate'" >&2; exit 2; }
if [ -n "$seconds" ] && ! [[ "$seconds" =~ ^[0-9]+(\.[0-9]+)?$ ]]; then
  echo "render.sh: -t takes seconds, not '$seconds'" >&2
  exit 2
fi
case "$output" in /*) ;; *) output="$PWD/$output" ;; esac
command -v ffmpeg >/dev/null || { echo "render.sh: ffmpeg is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

binary="$build/demo/kindra"
[ -x "$binary" ] || "$root/scripts/build.sh"

# The demo runs in a copy of data/ (frames and the scripts it writes back stay
# out of the tree), next to the build, where there is room for the frames.
work="$(mktemp -d "$build/render.XXXXXX")"
cleanup() {
  if [ -n "${demo_pid:-}" ]; then kill "$demo_pid" 2>/dev/null || true; wait "$demo_pid" 2>/dev/null || true; fi
  if (( keep )); then echo "render.sh: frames kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Assets are linked, not copied; the scripts, which the demo writes back at
# exit, are real copies.
cp -al "$root/data/." "$work/" 2>/dev/null || { rm -rf "$work"; mkdir -p "$work"; cp -a "$root/data/." "$work/"; }
if [ -d "$root/data/script" ]; then rm -rf "$work/script"; cp -a "$root/data/script" "$work/script"; fi

# The user's own setup when there is one; the demo reads the local file first.
source_setup="$root/data/setup.xml"
[ -f "$root/data/setup.local.xml" ] && source_setup="$root/data/setup.local.xml"
rm -f "$work/setup.local.xml"
song="$(sed -n 's/.*<music\b[^>]*\bfilename="\([^"]*\)".*/\1/p' "$source_setup" | tail -n 1)"
if [ -n "$seconds" ]; then
  # the time element's length ends a dump that does not measure the song
  mute="nosound"
  time_element="<time start=\"0\" length=\"$seconds\"/>"
else
  mute="off"
  time_element=""
fi
edits=(-e '/<dump\b/d' -e '/<\/demo>/d'
       -e "s#<display\b[^>]*/>#<display width=\"$width\" height=\"$height\" fullscreen=\"off\" title=\"Kindra\"/>#"
       -e "s#<music\b[^>]*/>#<music mute=\"$mute\" filename=\"$song\"/>#")
[ -z "$time_element" ] || edits+=(-e "s#<time\b[^>]*/>#$time_element#")
{
  sed "${edits[@]}" "$source_setup"
  grep -q '<time\b' "$source_setup" || [ -z "$time_element" ] || printf '\t%s\n' "$time_element"
  printf '\t<dump name="frames/frame.png" fps="%s"/>\n</demo>\n' "$rate"
} >"$work/setup.local.xml"

log="$work/render.log"
echo "render.sh: rendering ${width}x${height} at $rate fps in $work"
(
  cd "$work"
  export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
  exec env -u DISPLAY "$root/scripts/xvfb.sh" "$binary"
) >"$log" 2>&1 &
demo_pid=$!

# (the folder appears with the first frame)
count_frames() {
  if [ -d "$work/frames" ]; then find "$work/frames" -maxdepth 1 -name 'frame.*.png' | wc -l; else echo 0; fi
}
started=$(date +%s)
total=""
progress() {
  [ -n "$total" ] || total="$(sed -n 's/.*Dumping \([0-9]*\) frames.*/\1/p' "$log" | head -n 1)"
  done_frames=$(count_frames)
  elapsed=$(( $(date +%s) - started ))
  if [ -n "$total" ] && (( total > 0 )); then
    fps="-"
    eta="-"
    if (( done_frames > 0 && elapsed > 0 )); then
      fps=$(( done_frames / elapsed ))
      eta="$(( (total - done_frames) * elapsed / done_frames ))s"
    fi
    printf '\rframes %d / %d (%d%%), %s fps, %ds, left %s   ' "$done_frames" "$total" $(( done_frames * 100 / total )) "$fps" "$elapsed" "$eta"
  else
    printf '\rloading, %ds   ' "$elapsed"
  fi
}
while kill -0 "$demo_pid" 2>/dev/null; do
  sleep 1
  progress
done
status=0
wait "$demo_pid" || status=$?
demo_pid=""
progress
echo
if (( status != 0 )) || [ -z "$total" ] || (( done_frames != total )); then
  echo "render.sh: the demo ended with status $status after $done_frames of ${total:-?} frames; its last lines:" >&2
  tail -n 20 "$log" >&2
  exit 1
fi

audio=()
if [ -n "$song" ] && [ -f "$work/$song" ]; then
  audio=(-i "$work/$song" -map 0:v -map 1:a -c:a aac -b:a 192k -shortest)
else
  echo "render.sh: no song file '$song' in data/; the video stays silent" >&2
fi
container=()
case "$output" in *.mp4 | *.mov | *.m4v) container=(-movflags +faststart) ;; esac
echo "render.sh: encoding $output"
ffmpeg -hide_banner -loglevel error -stats -y -framerate "$rate" -i "$work/frames/frame.%06d.png" "${audio[@]}" \
  -c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p "${container[@]}" "$output"
echo "render.sh: $output ($total frames at $rate fps)"
