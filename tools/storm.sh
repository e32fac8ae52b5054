#!/usr/bin/env bash
# Key storm: a careless player's hands on the whole game for MINUTES minutes (10 by default) of wall
# time, on a virtual display of its own. tools/key_stream.py draws key presses of every bound key
# (quit aside), mouse moves and clicks from SEED (a new one when left out); a batch of them at a
# time goes to the game window from its main menu on. A game that ends normally (its Quit menu was
# hit, say) starts again and the stream goes on. A game that dies by a signal, ends with another
# exit code or logs a line of tools/storm-failure-lines.txt is a failure: its folder stays, with
# its log, its standard error, the stream it got (stream.xdo, replayable) and a backtrace of its
# core, and the storm goes on with a new game. When time is up the game is quit with its keys; one
# that then does not end is a failure too (a backtrace of the live process).
#
#   bash tools/storm.sh [MINUTES] [SEED]          a stream drawn from SEED
#   bash tools/storm.sh [MINUTES] STREAM.xdo      each game replays the file from its start
#
# Needs the game built into build/, xdotool and Xvfb; gdb for the backtraces. KEEP_CORES=1 keeps
# the core files (one the size of the game's memory) beside the backtraces. STORM_GAME runs another
# build of the game: STORM_GAME=build-sanitize/tolvarine (built by tools/sanitize.sh) aborts at the
# first bad access the sanitizers see, with their report on standard error. Exits 1 after a failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
minutes=${1:-10}
source=${2:-$(( $(date +%s%N) % 1000000000 ))}
game=$(realpath "${STORM_GAME:-$root/build/tolvarine}")
[ -x "$game" ] || { echo "storm: build the game first ($game is missing)" >&2; exit 1; }
patterns=$(grep -v '^#' "$root/tools/storm-failure-lines.txt")
# A sanitizer build gets the suppressions of tools/sanitizers/, an abort with a core at the first
# finding, no leak check (a game killed when it hangs leaks by design), and Debian's OGRE image
# codec's mismatched free let through, as tools/sanitize.sh does. The libraries are listed whole
# before they are searched: grep -q in a pipe leaves at its first match, ldd then dies of SIGPIPE,
# and under pipefail the test came out false now and then, counting every game as failed.
libraries=$(ldd "$game")
if [[ $libraries == *libasan* ]]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-suppressions=$root/tools/sanitizers/asan.supp:alloc_dealloc_mismatch=0:detect_leaks=0:abort_on_error=1:disable_coredump=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-suppressions=$root/tools/sanitizers/ubsan.supp:print_stacktrace=1:halt_on_error=1}
  export PYTHONMALLOC=malloc
fi
if [[ $source =~ ^[0-9]+$ ]]; then
  seed=$source
  exec {stream}< <(exec python3 "$root/tools/key_stream.py" "$seed")
  echo "storm: $minutes minutes, seed $seed"
else
  replay=$(cd "$(dirname "$source")" && pwd)/$(basename "$source")
  [ -r "$replay" ] || { echo "storm: cannot read $source" >&2; exit 1; }
  echo "storm: $minutes minutes, each game replaying $replay"
fi

game_pid=
folder=
failed=0
games=0
batches=0
stop() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill -KILL "$game_pid"; wait "$runner" || true; fi
  # A folder still here at exit holds a game that did not fail.
  [ -z "$folder" ] || rm -rf "$folder"
}
trap stop EXIT

# The game in a fresh folder; false when it died or did not reach the main menu in two minutes.
start_game() {
  folder=$(mktemp -d "${TMPDIR:-/tmp}/tolvarine-storm.XXXXXX")
  fill_game_folder "$folder"
  : >"$folder/stream.xdo"
  # The game runs under a shell of its own that waits for it and exits with its status: the shell
  # would otherwise say how the game died, which the report says with more.
  (cd "$folder" && ulimit -c unlimited && { "$game" </dev/null >stdout.txt 2>stderr.txt & echo $! >game.pid; wait $!; }) 2>/dev/null &
  runner=$!
  games=$((games + 1))
  until [ -s "$folder/game.pid" ]; do sleep 0.05; done
  game_pid=$(cat "$folder/game.pid")
  for _ in $(seq 1200); do
    grep -q "^[0-9:]*: Scenario Startup loaded.$" "$folder/Tolvarine.log" 2>/dev/null && break
    kill -0 "$game_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  window=$(grep -o 'SDL_WINDOWID=0x[0-9A-Fa-f]*' "$folder/Tolvarine.log" | head -1 | cut -d= -f2)
  [ -n "$window" ] || return 1
  window=$((window))
}

# One batch of xdotool commands to the game window; false at the end of the stream.
send_batch() {
  local line
  if [ -n "${replay:-}" ]; then read -r line <&"$replay_fd" || return 1; else read -r line <&"$stream" || return 1; fi
  printf '%s\n' "$line" >>"$folder/stream.xdo"
  batches=$((batches + 1))
  # Word splitting makes the line xdotool's arguments; no globbing of them.
  set -f
  timeout 60 xdotool windowfocus --sync "$window" $line >/dev/null 2>&1 || true
  set +f
  # Screenshots pile up in the game's folder: a storm has no use for them.
  rm -f "$folder"/Tolvarine_*.png
}

# The quit key, then a key for the exit screen, until the game ends; false when it did not.
quit_game() {
  for _ in $(seq 30); do
    kill -0 "$game_pid" 2>/dev/null || return 0
    timeout 10 xdotool windowfocus --sync "$window" keyup w mouseup 1 key F10 >/dev/null 2>&1 || true
    sleep 1
    timeout 10 xdotool windowfocus --sync "$window" key space >/dev/null 2>&1 || true
    sleep 1
  done
  ! kill -0 "$game_pid" 2>/dev/null
}

# Keeps the failed game's folder and says what went wrong and where to look.
report() {
  local why=$1 core
  failed=$((failed + 1))
  core=$(ls "$folder"/core* 2>/dev/null | head -1 || true)
  if [ -n "$core" ] && command -v gdb >/dev/null; then
    # The thread that crashed first, then every thread.
    gdb -batch -ex bt -ex "thread apply all bt" "$game" "$core" >"$folder/backtrace.txt" 2>&1 || true
    [ "${KEEP_CORES:-0}" = 1 ] || rm -f "$core"
  fi
  echo "storm: game $games $why after $(wc -l <"$folder/stream.xdo") batches${seed:+ (seed $seed)}"
  echo "  folder: $folder"
  echo "  replay: bash tools/storm.sh 5 $folder/stream.xdo"
  { grep -h -F "$patterns" "$folder/Tolvarine.log" "$folder/stderr.txt" 2>/dev/null || true; } | head -5 | sed 's/^/  /'
  [ ! -s "$folder/backtrace.txt" ] || grep -m 12 '^#' "$folder/backtrace.txt" | sed 's/^/  /'
  folder=
}

end=$((SECONDS + minutes * 60))
while [ "$SECONDS" -lt "$end" ]; do
  [ -n "${replay:-}" ] && exec {replay_fd}<"$replay"
  if ! start_game; then
    kill -KILL "$game_pid" 2>/dev/null || true
    wait "$runner" && code=0 || code=$?
    game_pid=
    report "did not reach the main menu (exit $code)"
    continue
  fi
  while [ "$SECONDS" -lt "$end" ] && kill -0 "$game_pid" 2>/dev/null && send_batch; do :; done
  hung=
  kill -0 "$game_pid" 2>/dev/null && { quit_game || hung=1; }
  if [ -n "$hung" ]; then
    gdb -batch -p "$game_pid" -ex bt -ex "thread apply all bt" >"$folder/backtrace.txt" 2>&1 || true
    kill -KILL "$game_pid"
  fi
  wait "$runner" && code=0 || code=$?
  game_pid=
  lines=$(grep -h -F "$patterns" "$folder/Tolvarine.log" "$folder/stderr.txt" 2>/dev/null || true)
  if [ -n "$hung" ]; then report "did not end when quit"
  elif [ "$code" -gt 128 ]; then report "died by signal $((code - 128)) ($(kill -l $((code - 128))))"
  elif [ "$code" -ne 0 ]; then report "ended with exit $code"
  elif [ -n "$lines" ]; then report "logged a failure"
  else rm -rf "$folder"; folder=
  fi
  [ -z "${replay:-}" ] || exec {replay_fd}<&-
done
echo "storm: $games games, $batches batches, $failed failed${seed:+ (seed $seed)}"
[ "$failed" -eq 0 ]
