#!/usr/bin/env bash
# scripts/release.sh end to end: two releases of one commit are the same
# bytes; unpacked outside the source tree (hidden from it where user
# namespaces allow), the release plays the end of its song and dumps frames,
# reading everything from its zip; the frames equal the development tree's,
# and what it writes stays in its folder, the zip untouched.
set -euo pipefail
export LC_ALL=C
root="${KINDRA_SOURCE_DIR:?}"
build="${KINDRA_BINARY_DIR:?}"
scratch="$(mktemp -d /tmp/kindra-release-test.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "release_test: $*" >&2; exit 1; }

"$root/scripts/release.sh" -o "$scratch/first.tar.gz"
# the same build directory again: only the packing can differ
"$root/scripts/release.sh" -o "$scratch/second.tar.gz"
cmp "$scratch/first.tar.gz" "$scratch/second.tar.gz" || fail "two releases of one commit differ"
tar -tvzf "$scratch/first.tar.gz" | awk '$2 != "0/0" { exit 1 }' || fail "the archive keeps its maker's owners"

mkdir "$scratch/party"
tar -xzf "$scratch/first.tar.gz" -C "$scratch/party"
release="$scratch/party/kindra"
expected="$(cd "$root/data" && { printf '%s\n' README.txt data.zip kindra run.sh setup.xml; ls script/*.xml; } | sort)"
[ "$(cd "$release" && find . -type f | sed 's#^\./##' | sort)" = "$expected" ] || fail "unexpected files: $(ls -R "$release")"
[ -x "$release/kindra" ] && [ -x "$release/run.sh" ] || fail "kindra and run.sh are not executable"
! readelf -S "$release/kindra" | grep -q '\.symtab' || fail "the executable is not stripped"
! grep -q -F "$root" "$release/kindra" || fail "the executable names the source tree"
grep -q '<archive path="data.zip"/>' "$release/setup.xml" || fail "setup.xml mounts no zip"
grep -q 'fullscreen="off"' "$release/setup.xml" || fail "setup.xml starts in full screen"

# Setups for both trees: 160 x 120 pixels, the editor built but hidden.
# The dump covers the first seconds, whose frames are the same on every run
# (later effects seed from the clock); the play run plays the song's last
# moments from the zip and ends by itself with it.
small_setup() {
  sed -e 's#<display\b[^>]*/>#<display width="160" height="120" fullscreen="off" title="Kindra"/>#' "$@"
}
dump_setup() {
  small_setup -e 's#<time\b[^>]*/>#<time start="0" length="3"/>#' -e 's#\(<music\b[^>]*mute="\)[^"]*"#\1nosound"#' \
    -e 's#</demo>#\t<dump name="frames/f.png" fps="10"/>\n</demo>#' "$1"
}
mkdir "$scratch/dev"
cp -r "$root/data/." "$scratch/dev/"
rm -rf "$scratch/dev/setup.local.xml" "$scratch/dev/frames"
dump_setup "$root/data/setup.xml" >"$scratch/dev/setup.local.xml"
export SDL_AUDIODRIVER=dummy
(cd "$scratch/dev" && env -u DISPLAY "$root/scripts/xvfb.sh" "$build/demo/kindra") >"$scratch/dev.log" 2>&1 \
  || { cat "$scratch/dev.log"; fail "the development tree's dump failed"; }

hide=()
if unshare -rm sh -c 'mount -t tmpfs none "$0"' "$root" 2>/dev/null; then
  hide=(unshare -rm sh -c 'mount -t tmpfs none "$0" && exec "$@"' "$root")
else
  echo "release_test: no user namespaces here; the source tree stays visible (the release names no path of it)"
fi
warnings() { grep -E '^\[(warning|error)\]' "$1" | sort -u || true; }
run_release() {
  (cd "$release" && timeout 600 env -u DISPLAY "$root/scripts/xvfb.sh" "${hide[@]}" ./run.sh) >"$scratch/$1.log" 2>&1 \
    || { cat "$scratch/$1.log"; fail "the release's $1 run failed"; }
  grep -q 'Adding zip: data.zip' "$scratch/$1.log" || fail "the release's $1 run mounted no zip"
  local new_warnings
  new_warnings="$(comm -23 <(warnings "$scratch/$1.log") <(warnings "$scratch/dev.log"))"
  [ -z "$new_warnings" ] || fail "the release's $1 run warned where the development tree did not: $new_warnings"
}
small_setup -e 's#\(<time\b[^>]*start="\)[^"]*"#\1174.5"#' "$release/setup.xml" >"$release/setup.local.xml"
run_release play
dump_setup "$release/setup.xml" >"$release/setup.local.xml"
run_release dump

frames="$(cd "$scratch/dev/frames" && ls)"
[ "$frames" = "$(cd "$release/frames" && ls)" ] || fail "the release wrote other frames than the development tree"
for frame in $frames; do
  cmp -s "$scratch/dev/frames/$frame" "$release/frames/$frame" || fail "$frame differs from the development tree's"
done

# written back into the release folder; the zip as shipped
grep -q 'start="0.00"' "$release/setup.local.xml" || fail "setup.local.xml was not written back"
tar -xzOf "$scratch/first.tar.gz" kindra/data.zip | cmp -s - "$release/data.zip" || fail "the zip was changed"
[ "$(cd "$release" && find . -type f -newer "$release/run.sh" ! -path './frames/*' | sort)" = \
  "$(cd "$release" && { echo ./setup.local.xml; ls ./script/*.xml; } | sort)" ] || fail "the release wrote elsewhere"
echo "release_test: $(echo "$frames" | wc -l) frames equal; $(stat -c %s "$scratch/first.tar.gz") bytes"
