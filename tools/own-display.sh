#!/usr/bin/env bash
# Runs one command on a virtual X server of its own (Xvfb picks a free display number and reports
# it through -displayfd), with a silent OpenAL device. CTest runs every test process through this,
# so no two tests ever share an X server: OpenGL windows, keyboard focus and the server's load
# stay private to the test that made them.
set -u
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
number_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -f "$number_file"; }
trap cleanup EXIT
# Xvfb writes the number once it accepts connections.
for _ in $(seq 1000); do
  [ -s "$number_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.01
done
number=$(tr -dc '0-9' <"$number_file")
if [ -z "$number" ]; then
  echo "own-display: Xvfb did not start" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
