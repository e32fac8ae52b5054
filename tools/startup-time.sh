#!/usr/bin/env bash
# Start-up time: from the launch of the game to its first frame after "startup.py" (the first pass
# of the main loop, which draws the first frame of what the start-up script opened), on a virtual
# display of its own. Runs the game RUNS times (5 by default) and prints each time and the median.
#
#   bash tools/startup-time.sh [RUNS]     (needs the game built into build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" != "--on-display" ]; then
  exec bash "$root/tools/own-display.sh" bash "$0" --on-display "$@"
fi
shift
runs=${1:-5}
game="$root/build/tolvarine"
[ -x "$game" ] || { echo "startup-time: build the game first ($game is missing)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tolvarine-startup.XXXXXX")
game_pid=
cleanup() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill "$game_pid"; wait "$game_pid" 2>/dev/null || true; fi
  [ "${KEEP:-0}" = 1 ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
cp -r "$root/cfg" "$root/data" "$work/"
cp "$root/plugins.cfg" "$work/plugins.cfg"
cp "$root/tools/default-ogre.cfg" "$work/ogre.cfg"
# The game's own start-up script, then a task that notes the time of its first run: the scheduler
# runs it in the first pass, right after the frame is drawn.
cp "$root/startup.py" "$work/startup.py"
cat >>"$work/startup.py" <<'EOF'


def startupTimeFirstFrame(elapsed):
    import time
    with open("first-frame.txt", "w") as marker:
        marker.write("%.6f\n" % time.time())
    return False


startupTimeTask = createTask(startupTimeFirstFrame, "StartupTimeFirstFrame", 0.0, 0.0)
startupTimeTask.subscribe(True)
EOF

times=()
for run in $(seq "$runs"); do
  rm -f "$work/first-frame.txt"
  start=$(date +%s.%N)
  (cd "$work" && exec "$game" </dev/null >"$work/stdout.txt" 2>"$work/stderr.txt") &
  game_pid=$!
  for _ in $(seq 1200); do
    [ -s "$work/first-frame.txt" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=
  if [ ! -s "$work/first-frame.txt" ]; then
    echo "startup-time: run $run drew no frame within a minute" >&2
    tail -20 "$work/stdout.txt" >&2
    exit 1
  fi
  seconds=$(awk -v start="$start" '{ printf "%.2f", $1 - start }' "$work/first-frame.txt")
  echo "run $run: $seconds s to the first frame"
  times+=("$seconds")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "start-up to the first frame: median %.2f s of %d runs\n", t[int((NR + 1) / 2)], NR }'
