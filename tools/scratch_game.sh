# Sourced by the scripts that run the whole game in a scratch copy of its run-time files
# (soak.sh, startup-time.sh). make_scratch_game NAME sets `game` (the built program), `work` (the
# scratch folder with cfg/, data/, plugins.cfg and the windowed default ogre.cfg) and `game_pid`
# (empty; the caller sets it while the game runs), and removes the folder at exit, after stopping
# a game still running; KEEP=1 keeps it. on_own_display "$@" runs the calling script again on a
# virtual display of its own; the script then starts with the marker "--on-display" to shift away.
# fill_game_folder FOLDER copies the run-time files into a folder made by the caller
# (tools/fill-game-folder.sh: the shipped files only, with the repository's startup.py).
# wait_for_game STEP TIMEOUT COMMAND... polls COMMAND while the game (game_pid) runs;
# term_game TIMEOUT ends it with SIGTERM and sets term_seconds to the time that took.
on_own_display() {
  [ "${1:-}" = "--on-display" ] || exec bash "$root/tools/own-display.sh" bash "$0" --on-display "$@"
}

make_scratch_game() {
  local name=$1
  game="$root/build/tolvarine"
  [ -x "$game" ] || { echo "$name: build the game first ($game is missing)" >&2; exit 1; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/tolvarine-$name.XXXXXX")
  game_pid=
  scratch_name=$name
  trap stop_scratch_game EXIT
  fill_game_folder "$work"
}

fill_game_folder() {
  bash "$root/tools/fill-game-folder.sh" "$1"
}

stop_scratch_game() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill "$game_pid"; wait "$game_pid" 2>/dev/null || true; fi
  [ "${KEEP:-0}" = 1 ] && echo "$scratch_name: scratch folder kept: $work" || rm -rf "$work"
}

# Runs COMMAND every STEP seconds, for TIMEOUT seconds at most, until it succeeds; false when the
# game ended or the time ran out first.
wait_for_game() {
  local step=$1 timeout=$2 tries
  shift 2
  tries=$(awk -v timeout="$timeout" -v step="$step" 'BEGIN { printf "%d", timeout / step }')
  for _ in $(seq "$tries"); do
    "$@" && return 0
    kill -0 "$game_pid" 2>/dev/null || return 1
    sleep "$step"
  done
  "$@"
}

# Sends the game SIGTERM (SDL turns it into a close request, answered at the main loop's next pass)
# and waits up to TIMEOUT seconds for its end. Sets term_seconds to the time it took, or to nothing
# when the game had to be killed; the game is gone either way.
term_game() {
  local timeout=$1 sent ended=
  sent=$(date +%s.%N)
  kill -TERM "$game_pid"
  for _ in $(seq $((timeout * 10))); do
    kill -0 "$game_pid" 2>/dev/null || { ended=$(date +%s.%N); break; }
    sleep 0.1
  done
  [ -n "$ended" ] || kill -KILL "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=
  term_seconds=
  [ -z "$ended" ] || term_seconds=$(awk -v a="$sent" -v b="$ended" 'BEGIN { printf "%.1f", b - a }')
}
