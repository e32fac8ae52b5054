#!/usr/bin/env bash
# Runs one command on a virtual X server of its own (Xvfb picks a free display number and reports
# it through -displayfd), with a silent OpenAL device. CTest runs every test process through this,
# so no two tests ever share an X server: OpenGL windows, keyboard focus and the server's load
# stay private to the test that made them.
#
#   tools/own-display.sh [--own-tmp SCRATCH] COMMAND [ARGUMENT...]
#
# With --own-tmp (as CTest gives it, SCRATCH being a folder of the build), the command also gets a
# temporary folder of its own (TMPDIR), in a folder of SCRATCH named after this script's process
# id, which holds the display number as well. It goes whole when the command ends, however the
# command ends; and where this script itself was killed (CTest ends a test past its timeout with
# SIGKILL, which no trap sees), the next start of this script removes it, as it removes every
# folder of SCRATCH whose process is gone. So a test that dies, the child of a death test or a
# test killed by its timeout leaves nothing in the system's temporary folder, and its leftovers in
# SCRATCH last only until the next test starts. The measuring tools go without it, as they may
# keep their scratch folders (KEEP=1).
set -u
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"

# Removes the folders of SCRATCH whose process no longer runs. A folder's process may be
# running still, in a test beside this one.
sweep_dead_folders() {
  local folder pid
  for folder in "$1"/*; do
    [ -d "$folder" ] || continue
    pid=${folder##*/}
    pid=${pid%%.*}
    case "$pid" in '' | *[!0-9]*) continue ;; esac
    kill -0 "$pid" 2>/dev/null || rm -rf "$folder"
  done
}

own=
own_tmp=
if [ "${1:-}" = "--own-tmp" ]; then
  [ $# -ge 3 ] || { echo "own-display: --own-tmp needs a scratch folder and a command" >&2; exit 2; }
  scratch=$2
  shift 2
  mkdir -p "$scratch" || exit 1
  sweep_dead_folders "$scratch"
  own=$(mktemp -d "$scratch/$$.XXXXXX") || exit 1
  own_tmp="$own/tmp"
  mkdir "$own_tmp" || exit 1
  number_file="$own/display"
else
  number_file=$(mktemp)
fi
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  if [ -n "$own" ]; then rm -rf "$own"; else rm -f "$number_file"; fi
}
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
