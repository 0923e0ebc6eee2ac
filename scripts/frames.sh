#!/usr/bin/env bash
# Reference frames, to see that a change for speed leaves the pictures alone.
#   scripts/frames.sh dump DIR [WIDTHxHEIGHT] [FPS] [SCALE] [START END]
#       dumps the demo at FPS (default 0.2: one frame every 5 s, every
#       effect at a few moments) at that size (default 1280x720) into DIR;
#       SCALE is the display's render scale ("" or 1: none given); START and
#       END (seconds) dump a part only
#   scripts/frames.sh compare REF NEW [MEAN] [MAX]
#       compares each frame of NEW with the one of the same name in REF
#       (a whole dump); fails when a frame's mean absolute
#       difference per channel exceeds MEAN (default 1.0 of 255) or more
#       than 0.01% of its values differ by more than MAX (default 64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
usage() { sed -n '3,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[ $# -ge 3 ] || usage
case "$1" in
  dump)
    out="$2"; size="${3:-1280x720}"; fps="${4:-0.2}"; scale="${5:-}"; range=""
    [ -z "${6:-}" ] || range=" start=\"$6\" end=\"$7\""
    [[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || usage
    source "$root/scripts/scratch.sh" frames
    scaleattr=""
    [ -z "$scale" ] || [ "$scale" = 1 ] || scaleattr=" scale=\"$scale\""
    cat >"$work/setup.local.xml" <<XML
<demo>
	<time start="0" mode="vsync" length="180" loop="off"/>
	<display width="${BASH_REMATCH[1]}" height="${BASH_REMATCH[2]}" fullscreen="off" title="Kindra"$scaleattr/>
	<osd show="off" location="top" delay="2"/>
	<music mute="off" filename="music/emberfall.ogg"/>
	<dump name="frames/frame.png" fps="$fps"$range/>
</demo>
XML
    mkdir -p "$work/frames" "$out"
    (cd "$work" && SDL_AUDIODRIVER=dummy "$root/scripts/xvfb.sh" "$build/demo/kindra" >"$work/log.txt" 2>&1) ||
      { tail -5 "$work/log.txt" >&2; exit 1; }
    cp "$work"/frames/*.png "$out/"
    echo "$(ls "$out" | wc -l) frames in $out"
    ;;
  compare)
    exec python3 "$root/scripts/framediff.py" "$2" "$3" "${4:-1.0}" "${5:-64}"
    ;;
  *) usage ;;
esac
