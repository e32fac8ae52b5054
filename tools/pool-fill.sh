#!/usr/bin/env bash
# What a large pool costs at start-up: the game started with FILE's pool size ([Factory] poolSize)
# set to SIZE, in a scratch copy, against the shipped files. For each start it prints the seconds
# from the launch to "Scenario Startup loaded." (the pools are filled before the scenario behind the
# menus loads) and the resident memory 6 s after that line, then the difference. RUNS (1) starts of
# each; the figures of each run are printed.
#
#   bash tools/pool-fill.sh FILE SIZE [RUNS]
#   bash tools/pool-fill.sh data/entities/trifighter.ship 40000
#   bash tools/pool-fill.sh data/explosions/sparks.spray 40000 3
#
# Needs the game built into build/; runs on a virtual display of its own. KEEP=1 keeps the folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
[ $# -ge 2 ] || { echo "usage: $0 FILE SIZE [RUNS]" >&2; exit 2; }
file=$1
size=$2
runs=${3:-1}
make_scratch_game pool-fill
[ -f "$work/$file" ] || { echo "pool-fill: $file is not a shipped file" >&2; exit 2; }
shipped=$(mktemp "${TMPDIR:-/tmp}/pool-fill.XXXXXX")
trap 'rm -f "$shipped"; stop_scratch_game' EXIT
cp "$work/$file" "$shipped"

# Sets poolSize in the [Factory] section of the copy, adding the section or the key where missing.
set_pool_size() {
  python3 - "$work/$file" "$1" <<'EOF'
import re, sys
path, size = sys.argv[1], sys.argv[2]
text = open(path).read()
factory = re.search(r"(?m)^\[Factory\][^\[]*", text)
if factory is None:
    text = text.rstrip("\n") + "\n\n[Factory]\npoolSize = %s\n" % size
elif re.search(r"(?m)^poolSize\s*=.*$", factory.group(0)):
    section = re.sub(r"(?m)^poolSize\s*=.*$", "poolSize = " + size, factory.group(0), count=1)
    text = text[:factory.start()] + section + text[factory.end():]
else:
    text = text[:factory.end()].rstrip("\n") + "\npoolSize = %s\n\n" % size + text[factory.end():]
open(path, "w").write(text)
EOF
}

# One start: prints "<seconds to the scenario> <resident MB 6 s later>", or fails.
one_start() {
  local out="$work/stdout.txt" start loaded
  start=$(date +%s.%N)
  (cd "$work" && exec "$game" </dev/null >"$out" 2>"$work/stderr.txt") &
  game_pid=$!
  if ! wait_for_game 0.05 1200 grep -q "Scenario Startup loaded." "$out"; then
    echo "pool-fill: the game did not reach the menus' scenario" >&2
    tail -5 "$out" >&2
    return 1
  fi
  loaded=$(date +%s.%N)
  sleep 6
  awk -v a="$start" -v b="$loaded" '/^VmRSS/ { printf "%.1f %.0f\n", b - a, $2 / 1024 }' "/proc/$game_pid/status"
  term_game 60
}

echo "pool-fill: $file with poolSize $size against the shipped file, $runs start(s) each, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  cp "$shipped" "$work/$file"
  read -r base_seconds base_mb < <(one_start) || true
  set_pool_size "$size"
  read -r seconds mb < <(one_start) || true
  [ -n "${base_mb:-}" ] && [ -n "${mb:-}" ] || { echo "pool-fill: run $run did not finish" >&2; exit 1; }
  echo "run $run: shipped files ${base_seconds} s, ${base_mb} MB; poolSize $size ${seconds} s, ${mb} MB: $((mb - base_mb)) MB more"
done
