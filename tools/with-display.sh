#!/usr/bin/env bash
# Runs a command with a virtual X display (Xvfb) and a silent OpenAL device, so that
# windowed and sound code runs on machines without a screen or a sound card.
set -euo pipefail
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-display: no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  xdpyinfo -display "$display" >/dev/null 2>&1 && break
  sleep 0.1
done
xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "with-display: Xvfb did not start" >&2; exit 1; }
export DISPLAY="$display"
"$@"
