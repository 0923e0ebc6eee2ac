# Sourced by the scripts that play the demo in a scratch copy of data/
# (`source scratch.sh <name>`, with $root set): makes $work, copies data/ into
# it, and at exit stops the demo in $pid and removes the copy.
work="$(mktemp -d "/tmp/kindra-$1.XXXXXX")"
pid=""
scratch_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap scratch_cleanup EXIT
cp -r "$root/data/." "$work/"
