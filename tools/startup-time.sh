#!/usr/bin/env bash
# Start-up time: from the launch of the game to the end of "startup.py", after which the main loop
# draws the first frame of what the start-up script opened (the menus), on a virtual
# display of its own. Runs the game RUNS times (5 by default) and prints each time and the median.
#
#   bash tools/startup-time.sh [RUNS]     (needs the game built into build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
runs=${1:-5}
make_scratch_game startup-time
# The game's own start-up script, then a note of the time at its end: the script is the last step
# of the start-up, and the main loop draws the first frame of the menus right after it. (A task
# would not do: the menus pause the scheduler.)
cat >>"$work/startup.py" <<'EOF'


import time
with open("first-frame.txt", "w") as marker:
    marker.write("%.6f\n" % time.time())
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
