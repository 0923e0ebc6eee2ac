#!/usr/bin/env bash
# Builds the demo in Release mode (in its own build directory) and packs what
# another machine needs to run it into one archive:
#
#   scripts/release.sh [-o kindra-release.tar.gz]
#
# The archive holds one folder, kindra/: the stripped executable, the demo's
# data in one zip file mounted by the release's setup.xml, the effect scripts
# as loose files (the editor writes them back), README.txt and run.sh. Two
# runs on the same commit give the same bytes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_RELEASE_BUILD_DIR:-$root/build-release}"
output="$PWD/kindra-release.tar.gz"
usage() { sed -n '5,5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while getopts "o:h" option; do
  case "$option" in
    o) output="$OPTARG" ;;
    *) usage ;;
  esac
done
(( OPTIND > $# )) || usage
case "$output" in /*) ;; *) output="$PWD/$output" ;; esac
git -C "$root" rev-parse --git-dir >/dev/null 2>&1 || { echo "release.sh: $root is no git checkout; the release packs the tracked data" >&2; exit 1; }
for tool in zip strip objdump ldd dpkg; do
  command -v "$tool" >/dev/null || { echo "release.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

# Log lines and the executable carry no path of this checkout.
prefix_map="-ffile-prefix-map=$root/="
KINDRA_BUILD_DIR="$build" KINDRA_BUILD_TYPE=Release "$root/scripts/build.sh" \
  -DKINDRA_TESTS=OFF -DKINDRA_BENCH=OFF -DCMAKE_CXX_FLAGS="$prefix_map" -DCMAKE_C_FLAGS="$prefix_map"

# Every file and every zip entry gets the commit's time.
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}"
export TZ=UTC LC_ALL=C

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/kindra"
mkdir -p "$folder/script" "$stage/data"
strip --strip-all -o "$folder/kindra" "$build/demo/kindra"
cp "$root"/data/script/*.xml "$folder/script/"

# The zip holds what the demo reads through its archives: the tracked data and
# the generated assets, less the setup, the scripts (the working directory's),
# the test-only scene and song, and the volumetric effect's shaders (it is not
# on the timeline).
setup="$root/data/setup.xml"
song="$(sed -n 's/.*<music\b[^>]*\bfilename="\([^"]*\)".*/\1/p' "$setup" | tail -n 1)"
[ -f "$root/data/$song" ] || { echo "release.sh: the song '$song' of data/setup.xml is missing" >&2; exit 1; }
files="$({
  git -C "$root" ls-files data | sed 's#^data/##'
  cut -d' ' -f2- "$build/tools/asset_generators.txt" | tr ' ' '\n'
} | grep -v -e '^$' -e '^setup\.xml$' -e '^script/' -e '^samples/' -e '^volumetric/' -e '^music/'
  echo "$song")"
files="$(printf '%s\n' "$files" | sort -u)"
while IFS= read -r file; do
  [ -f "$root/data/$file" ] || { echo "release.sh: data/$file is missing" >&2; exit 1; }
  mkdir -p "$stage/data/$(dirname "$file")"
  cp "$root/data/$file" "$stage/data/$file"
done <<<"$files"
find "$stage/data" -type f -exec chmod 644 {} + -exec touch -h -d "@$epoch" {} +
(cd "$stage/data" && printf '%s\n' "$files" | zip -X -D -9 -q "$folder/data.zip" -@)

# The release's setup: the development one in a window, with the zip mounted.
sed -e 's#\(<display\b[^>]*\bfullscreen="\)[^"]*"#\1off"#' \
    -e 's#^\(\s*\)<display\b#\1<archive path="data.zip"/>\n&#' "$setup" >"$folder/setup.xml"
grep -q '<archive path="data.zip"/>' "$folder/setup.xml" || { echo "release.sh: data/setup.xml has no display element" >&2; exit 1; }
size="$(sed -n 's/.*<display\b[^>]*\bwidth="\([0-9]*\)"[^>]*\bheight="\([0-9]*\)".*/\1x\2/p' "$folder/setup.xml" | tail -n 1)"

# The Debian packages of the libraries the executable links directly.
packages="$(objdump -p "$folder/kindra" | awk '$1 == "NEEDED" { print $2 }' | while read -r library; do
  path="$(ldd "$folder/kindra" | awk -v lib="$library" '$1 == lib && $3 ~ /^\// { print $3; exit }')"
  [ -n "$path" ] || { echo "release.sh: $library is not found on this machine" >&2; exit 1; }
  owner=""
  for candidate in "$path" "$(readlink -f "$path")" "/usr$path" "${path#/usr}"; do
    owner="$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1)" && [ -n "$owner" ] && break
  done
  [ -n "$owner" ] || { echo "release.sh: no Debian package owns $path" >&2; exit 1; }
  echo "$owner"
done | sort -u | tr '\n' ' ')libgl1-mesa-dri"

# (a command to paste, wrapped)
install="$(echo "$packages" | fold -s -w 60 | sed -e 's/ *$//' -e '$!s/$/ \\/' -e '2,$s/^/      /')"

cat >"$folder/run.sh" <<'EOF'
#!/bin/sh
# Starts the demo from its own folder: it reads its setup, data and scripts
# there and writes the scripts and setup.local.xml back there.
cd "$(dirname "$0")" || exit 1
exec ./kindra "$@"
EOF

cat >"$folder/README.txt" <<EOF
Kindra - a real-time demo for Linux on OpenGL

Running
  ./run.sh            (from any directory; it starts the demo in this folder)

It opens a window of ${size} pixels and plays to the end of the song; it takes no
arguments. Alt+Enter switches to full screen; to start in full screen, set
fullscreen="on" in the display element of setup.xml.

Keys
  Escape or Q     quit
  Left / Right    seek 5 s back / forward
  Space           pause / resume
  T               jump to the start mark
  Ctrl+T          set the start mark at the current time
  Alt+T           clear the start mark and jump to it
  M               mute / unmute
  O, Ctrl+O       move / switch off the progress bar
  P               print the current time to the log
  Tab             hide / show the editor (it shows at start)
  Alt+Enter       window / full screen

Files
  kindra          the executable
  data.zip        shaders, pictures, scenes, the editor's layout, style and
                  font, and the song; never written to. A file of the same
                  name in this folder is read instead of the one in the zip.
  script/         one script per effect: its time span and keys. The editor
                  (Tab) changes them and the demo writes them back at exit.
  setup.xml       window, timing, music and progress-bar settings. Copy it to
                  setup.local.xml to keep your own: the demo reads that one
                  instead and writes the start mark, mute, progress bar and
                  full screen back into it at exit.

Needs
  Linux with X11 and an OpenGL driver. On Debian, the libraries it links and
  the usual driver:
    apt-get install ${install}

Without a sound device it plays silently on the wall clock; the log lines go
to standard output.
EOF

# Fixed modes, times, owners and order make the same archive on every run.
find "$folder" -type d -exec chmod 755 {} +
find "$folder" -type f -exec chmod 644 {} +
chmod 755 "$folder/kindra" "$folder/run.sh"
find "$folder" -exec touch -h -d "@$epoch" {} +
mkdir -p "$(dirname "$output")"
tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mtime="@$epoch" -C "$stage" -cf - kindra \
  | gzip -n -9 >"$output.tmp"
mv "$output.tmp" "$output"
echo "release.sh: $output ($(stat -c %s "$output") bytes)"
