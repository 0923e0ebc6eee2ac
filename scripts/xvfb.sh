#!/usr/bin/env bash
# Runs a command with a display: the current one, or a private Xvfb that is
# started for the command and stopped after it.
set -euo pipefail

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

# Xvfb picks a free display itself and reports it, so parallel runs never race.
fifo_dir="$(mktemp -d)"
mkfifo "$fifo_dir/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo_dir/displayfd" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null || true; rm -rf "$fifo_dir"' EXIT
number=""
if ! read -r -t 60 number <"$fifo_dir/displayfd" || [ -z "$number" ]; then
  echo "xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$number"
for _ in $(seq 1 300); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "xvfb.sh: Xvfb on $DISPLAY does not answer" >&2; exit 1; }

set +e
"$@"
exit $?
