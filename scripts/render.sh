#!/usr/bin/env bash
# Renders the demo off-line: every frame at a fixed rate into numbered PNG
# files (under a private Xvfb, so nothing waits for a screen), then the frames
# and the song into one video file with ffmpeg.
#
#   scripts/render.sh [-o video.mp4] [-s WIDTHxHEIGHT] [-r FPS] [-b START] [-t SECONDS] [-j N] [-S HOSTS | --hosts FILE] [-k]
#
#   -o  the video file (default: kindra.mp4 in the current directory)
#   -s  frame size, both sides even (default 1280x720)
#   -r  frames per second (default 60)
#   -b  begin at START seconds of the demo (default 0); the song is offset to match
#   -t  only SECONDS of the demo from the beginning (default: to the song's end)
#   -j  split the frames into N ranges rendered at once, each by its own demo
#   -S  render the ranges on these hosts (comma-separated GNU parallel logins, ":" is this machine)
#   -k  keep the folder with the frames (its path is printed)
#   --hosts FILE  the same with one login a line
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"

output="$PWD/kindra.mp4"
size="1280x720"
rate="60"
begin="0"
seconds=""
jobs=1
hosts=""
keep=0
part=""
usage() { sed -n '6,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
fail() { echo "render.sh: $*" >&2; exit 2; }
args=()
while (( $# )); do
  case "$1" in
    --hosts) [ $# -ge 2 ] || usage; [ -r "$2" ] || fail "no host file '$2'"
             hosts="$(grep -v '^[[:space:]]*\(#\|$\)' "$2" | paste -sd, -)"; shift 2 ;;
    --hosts=*) file="${1#--hosts=}"; [ -r "$file" ] || fail "no host file '$file'"
               hosts="$(grep -v '^[[:space:]]*\(#\|$\)' "$file" | paste -sd, -)"; shift ;;
    # one range of a split render: its frames as a tar stream on stdout
    --part) [ $# -ge 3 ] || usage; part="$2 $3"; shift 3 ;;
    *) args+=("$1"); shift ;;
  esac
done
set -- "${args[@]+"${args[@]}"}"
while getopts "o:s:r:b:t:j:S:kh" option; do
  case "$option" in
    o) output="$OPTARG" ;;
    s) size="$OPTARG" ;;
    r) rate="$OPTARG" ;;
    b) begin="$OPTARG" ;;
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    S) hosts="$OPTARG" ;;
    k) keep=1 ;;
    *) usage ;;
  esac
done
(( OPTIND > $# )) || fail "unexpected argument '${!OPTIND}'"
[[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || fail "a size is WIDTHxHEIGHT, not '$size'"
width="${BASH_REMATCH[1]}"
height="${BASH_REMATCH[2]}"
if (( width < 2 || height < 2 || width % 2 || height % 2 )); then
  fail "the video needs even sides, not ${width}x${height}"
fi
[[ "$rate" =~ ^[0-9]+$ ]] && (( rate > 0 )) || fail "the rate is a whole number of frames per second, not '$rate'"
number='^[0-9]+(\.[0-9]+)?$'
[ -z "$seconds" ] || [[ "$seconds" =~ $number ]] || fail "-t takes seconds, not '$seconds'"
[[ "$begin" =~ $number ]] || fail "-b takes seconds, not '$begin'"
[[ "$jobs" =~ ^[0-9]+$ ]] && (( jobs > 0 )) || fail "-j takes a number of ranges, not '$jobs'"
[ -z "$hosts" ] || [[ "$hosts" =~ ^[^[:space:]]+$ ]] || fail "hosts are comma-separated logins, not '$hosts'"
case "$output" in /*) ;; *) output="$PWD/$output" ;; esac
if [ -z "$part" ]; then
  command -v ffmpeg >/dev/null || { echo "render.sh: ffmpeg is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
fi
if [ -n "$hosts" ]; then
  command -v parallel >/dev/null || { echo "render.sh: GNU parallel is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
fi

binary="$build/demo/kindra"
[ -x "$binary" ] || "$root/scripts/build.sh" >&2

# Frames are numbered by their place in the demo: frame n shows n / rate s.
first=$(awk -v b="$begin" -v r="$rate" 'BEGIN { printf "%d", b * r + 0.5 }')
last=""
[ -z "$seconds" ] || last=$(awk -v b="$begin" -v t="$seconds" -v r="$rate" 'BEGIN { x = (b + t) * r; n = int(x); if (n < x - 1e-6) n++; printf "%d", n }')
seconds_of() { awk -v n="$1" -v r="$rate" 'BEGIN { printf "%.9f", n / r }'; }

# Everything runs next to the build, where there is room for the frames.
work="$(mktemp -d "$build/render.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]+"${pids[@]}"}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]+"${pids[@]}"}"; do wait "$pid" 2>/dev/null || true; done
  if (( keep )) && [ -z "$part" ]; then echo "render.sh: frames kept in $work/frames" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The user's own setup when there is one; the demo reads the local file first.
source_setup="$root/data/setup.xml"
[ -f "$root/data/setup.local.xml" ] && source_setup="$root/data/setup.local.xml"
song="$(sed -n 's/.*<music\b[^>]*\bfilename="\([^"]*\)".*/\1/p' "$source_setup" | tail -n 1)"

# Prepares a copy of data/ in $1 that dumps frames $2 up to $3 (empty: the
# song's end) into $1/frames.
prepare() {
  local dir="$1" from="$2" to="$3" mute time_element range
  mkdir -p "$dir"
  # assets are linked, not copied; the scripts, which the demo writes back
  # at exit, are real copies
  cp -al "$root/data/." "$dir/" 2>/dev/null || { rm -rf "$dir"; mkdir -p "$dir"; cp -a "$root/data/." "$dir/"; }
  if [ -d "$root/data/script" ]; then rm -rf "$dir/script"; cp -a "$root/data/script" "$dir/script"; fi
  rm -f "$dir/setup.local.xml"
  if [ -n "$seconds" ]; then
    # the time element's length ends a dump that does not measure the song
    mute="nosound"
    time_element="<time start=\"0\" length=\"$(seconds_of "$last")\"/>"
  else
    mute="off"
    time_element=""
  fi
  range="start=\"$(seconds_of "$from")\""
  [ -z "$to" ] || range="$range end=\"$(seconds_of "$to")\""
  local edits=(-e '/<dump\b/d' -e '/<\/demo>/d'
               -e "s#<display\b[^>]*/>#<display width=\"$width\" height=\"$height\" fullscreen=\"off\" title=\"Kindra\"/>#"
               -e "s#<music\b[^>]*/>#<music mute=\"$mute\" filename=\"$song\"/>#")
  [ -z "$time_element" ] || edits+=(-e "s#<time\b[^>]*/>#$time_element#")
  {
    sed "${edits[@]}" "$source_setup"
    grep -q '<time\b' "$source_setup" || [ -z "$time_element" ] || printf '\t%s\n' "$time_element"
    printf '\t<dump name="frames/frame.png" fps="%s" %s/>\n</demo>\n' "$rate" "$range"
  } >"$dir/setup.local.xml"
}

# Runs the demo in $1 (prepared), its output in $1/render.log.
run_demo() {
  (
    cd "$1"
    export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
    exec env -u DISPLAY "$root/scripts/xvfb.sh" "$binary"
  ) >"$1/render.log" 2>&1
}

if [ -n "$part" ]; then
  read -r from to <<<"$part"
  [[ "$from" =~ ^[0-9]+$ && ( "$to" =~ ^[0-9]+$ || "$to" == "end" ) ]] || fail "--part takes two frame numbers"
  [ "$to" != "end" ] || to=""
  prepare "$work/part" "$from" "$to"
  if ! run_demo "$work/part"; then
    echo "render.sh: the range from frame $from on failed on $(hostname); its last lines:" >&2
    tail -n 20 "$work/part/render.log" >&2
    exit 1
  fi
  tar -C "$work/part/frames" -cf - .
  exit 0
fi

# The ranges' bounds: without -t the last range runs to the song's end, which
# only the demo knows; the others split an estimate of it.
if [ -n "$last" ]; then
  end_frame="$last"
else
  length="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$root/data/$song" 2>/dev/null || true)"
  [[ "$length" =~ ^[0-9.]+$ ]] || length="$(sed -n 's/.*<time\b[^>]*\blength="\([0-9.]*\)".*/\1/p' "$source_setup" | tail -n 1)"
  end_frame=$(awk -v l="${length:-0}" -v r="$rate" 'BEGIN { printf "%d", l * r }')
fi
(( end_frame > first )) || (( jobs == 1 )) || fail "nothing to split between frame $first and $end_frame"
bounds=()
for (( i = 0; i <= jobs; i++ )); do bounds+=($(( first + (end_frame - first) * i / jobs ))); done
[ -n "$last" ] || bounds[$jobs]=""

mkdir -p "$work/frames"
count_frames() {
  find "$work" -path '*/frames/frame.*.png' | wc -l
}
started=$(date +%s)
total="$([ -n "$last" ] && echo $(( last - first )) || true)"
progress() {
  if [ -z "$total" ]; then
    # the demo prints its count once it knows the song; for the whole: the
    # estimate's ranges and the last one's own count
    local last_log="$work/part$(( jobs - 1 ))/render.log"
    local counted
    counted="$( [ -f "$last_log" ] && sed -n 's/.*Dumping \([0-9]*\) frames.*/\1/p' "$last_log" | head -n 1 || true)"
    [ -z "$counted" ] || total=$(( bounds[jobs - 1] - first + counted ))
  fi
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

where="in $work"
[ -z "$hosts" ] || where="on $hosts"
echo "render.sh: rendering ${width}x${height} at $rate fps in $jobs range(s) $where"
status=0
if [ -z "$hosts" ]; then
  for (( i = 0; i < jobs; i++ )); do
    prepare "$work/part$i" "${bounds[i]}" "${bounds[i + 1]}"
    run_demo "$work/part$i" &
    pids+=($!)
  done
  while :; do
    running=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && running=1; done
    (( running )) || break
    sleep 1
    progress
  done
  for (( i = 0; i < jobs; i++ )); do
    if ! wait "${pids[i]}"; then
      status=1
      echo >&2
      echo "render.sh: the range from frame ${bounds[i]} failed; its last lines:" >&2
      tail -n 20 "$work/part$i/render.log" >&2
    fi
  done
  pids=()
  progress
  echo
  (( status == 0 )) || exit 1
  # in order, into one folder (links, no copies)
  for (( i = 0; i < jobs; i++ )); do
    [ ! -d "$work/part$i/frames" ] || find "$work/part$i/frames" -name 'frame.*.png' -exec mv -t "$work/frames" {} +
  done
  total=$(count_frames)
else
  # Each host runs the same checkout at the same path (KINDRA_REMOTE_ROOT
  # when it lies elsewhere); a range comes back as a tar stream.
  remote_root="${KINDRA_REMOTE_ROOT:-$root}"
  remote_build="${KINDRA_REMOTE_BUILD_DIR:-$build}"
  remote="cd $(printf %q "$remote_root") && KINDRA_BUILD_DIR=$(printf %q "$remote_build") scripts/render.sh -s $size -r $rate${seconds:+ -t $seconds} -b $begin --part"
  ranges=()
  for (( i = 0; i < jobs; i++ )); do ranges+=("${bounds[i]} ${bounds[i + 1]:-end}"); done
  printf '%s\n' "${ranges[@]}" >"$work/ranges"
  (
    parallel --will-cite --halt now,fail=1 -S "$hosts" -j 1 --colsep ' ' "$remote {1} {2}" <"$work/ranges" \
      | tar -C "$work/frames" -xif -
  ) 2>"$work/parallel.log" &
  pids+=($!)
  while kill -0 "${pids[0]}" 2>/dev/null; do
    sleep 1
    progress
  done
  wait "${pids[0]}" || status=$?
  pids=()
  progress
  echo
  if (( status != 0 )); then
    echo "render.sh: a range failed; the hosts' last lines:" >&2
    tail -n 30 "$work/parallel.log" >&2
    exit 1
  fi
  total=$(count_frames)
fi

# every frame, without a gap
expected_last=$(( first + total - 1 ))
if (( total == 0 )) || [ ! -f "$work/frames/$(printf 'frame.%06d.png' "$expected_last")" ] || { [ -n "$last" ] && (( total != last - first )); }; then
  echo "render.sh: $total frames came back, not frames $first to ${last:-the end} without a gap" >&2
  exit 1
fi

audio=()
if [ -n "$song" ] && [ -f "$root/data/$song" ]; then
  # the song from where the frames begin
  audio=(-ss "$(seconds_of "$first")" -i "$root/data/$song" -map 0:v -map 1:a -c:a aac -b:a 192k -shortest)
else
  echo "render.sh: no song file '$song' in data/; the video stays silent" >&2
fi
container=()
case "$output" in *.mp4 | *.mov | *.m4v) container=(-movflags +faststart) ;; esac
echo "render.sh: encoding $output"
ffmpeg -hide_banner -loglevel error -stats -y -framerate "$rate" -start_number "$first" -i "$work/frames/frame.%06d.png" \
  "${audio[@]}" -c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p "${container[@]}" "$output"
echo "render.sh: $output ($total frames at $rate fps)"
