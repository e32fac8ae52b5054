#!/usr/bin/env bash
# Runs one command on a virtual X server of its own (Xvfb picks a free display number and reports
# it through -displayfd), with a silent OpenAL device. CTest runs every test process through this,
# so no two tests ever share an X server: OpenGL windows, keyboard focus and the server's load
# stay private to the test that made them. With --own-tmp first (as CTest gives it), the command
# also gets a temporary folder of its own (TMPDIR), removed whole when it ends, however it ends: a
# test that dies, or the child of a death test, leaves nothing behind in the system's temporary
# folder. The measuring tools go without it, as they may keep their scratch folders (KEEP=1).
set -u
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
number_file=$(mktemp)
own_tmp=
if [ "${1:-}" = "--own-tmp" ]; then
  shift
  own_tmp=$(mktemp -d -t tolvarine-test.XXXXXX)
fi
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -f "$number_file"; [ -z "$own_tmp" ] || rm -rf "$own_tmp"; }
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
TMPDIR="${own_tmp:-${TMPDIR:-/tmp}}" DISPLAY=":$number" "$@"
