#!/usr/bin/env bash
# Soak run: a survival game of MINUTES minutes of game time (30 by default), played in real time
# by the AI on both sides on a virtual display of its own. Survival starts again whenever a game
# ends, so the run lasts whatever happens. Every minute it prints the game's resident memory and
# the live count of every pooled kind, and at the end the counts after the last unload (all 0
# unless an object leaked from its pool), then the memory check: after the first five minutes the
# resident memory must stay within 10% of its value at five minutes.
#
#   bash tools/soak.sh [MINUTES]     (from anywhere; needs the game built into build/)
#
# The game runs in a scratch folder with a copy of cfg/ and data/; KEEP=1 keeps the folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
minutes=${1:-30}
make_scratch_game soak
cat >"$work/startup.py" <<'EOF'
# No ship has the focus, so the AI flies the player's side as well as the waves.
from Tolvarine import *

soakGame = startSurvival()
soakGames = 1


# A new game starts as soon as the player's side is gone: the game itself ends only when the next
# wave is due, and its end shows the statistics sheet, which pauses the game and this task with it.
def soakKeepPlaying(elapsed):
    global soakGame, soakGames
    player = soakGame.getFaction("Player")
    # No side at all: the exit screen has unloaded the game.
    if player is None:
        return False
    if soakGame.hasEnded() or not player.getShipList():
        soakGames += 1
        print("Soak: survival game %d" % soakGames, flush=True)
        soakGame = startSurvival()
        Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)
    return True


soakTask = createTask(soakKeepPlaying, "SoakKeepPlaying", 1.0, 0.0)
soakTask.subscribe(True)
EOF

# The game echoes its log lines to standard output as plain text.
out="$work/stdout.txt"
(cd "$work" && TOLVARINE_REPORT_PERIOD=60 exec "$game" </dev/null >"$out" 2>"$work/stderr.txt") &
game_pid=$!

# One row per report: the game time, the resident memory, then "kind=count" for every pool.
reports() {
  awk '/^Resources at [0-9]+ s: [0-9]+ kB resident$/ { if (row != "") print row; row = $3 " s " $5 " kB"; next }
       /^Pool [A-Za-z]+: [0-9]+ live$/ && row != "" { sub(":", "", $2); row = row " " $2 "=" $3; next }
       row != "" { print row; row = "" }
       END { if (row != "") print row }' "$out"
}

echo "soak: $minutes minutes of survival, game pid $game_pid, folder $work"
printed=0
while kill -0 "$game_pid" 2>/dev/null && [ "$printed" -lt "$minutes" ]; do
  sleep 5
  count=$(reports | wc -l)
  [ "$count" -gt "$printed" ] || continue
  # The pool lines follow their report's first line within the same frame.
  sleep 1
  reports | awk -v from=$((printed + 1)) -v to="$count" 'NR >= from && NR <= to { printf "minute %2d: %s\n", NR, $0 }'
  printed=$count
done
if [ "$printed" -lt "$minutes" ]; then
  echo "soak: the game ended early" >&2
  tail -20 "$out" >&2
  exit 1
fi
echo "soak: survival games played: $(( $(grep -c '^Soak: survival game' "$out" || true) + 1 ))"

# The exit screen unloads the game and logs every pool's count; a key press then ends the program.
window=$(( $(grep -o 'SDL_WINDOWID=0x[0-9A-Fa-f]*' "$out" | head -1 | cut -d= -f2) ))
press() { xdotool windowfocus --sync "$window" >/dev/null 2>&1 && xdotool key "$1" >/dev/null 2>&1 || true; }
kinds=$(( $(reports | tail -1 | wc -w) - 4 ))
mark=$(wc -l <"$out")
unloaded() { tail -n +"$((mark + 1))" "$out" | sed -n '/^Scenario Survival running unload/,$p' | grep "^Pool .* live$" | head -n "$kinds"; }
press F10
for _ in $(seq 120); do [ "$(unloaded | wc -l)" -ge "$kinds" ] && break; sleep 0.5; done
sleep 1
press space
code=0
wait "$game_pid" || code=$?
game_pid=
echo "soak: exit code $code"
echo "soak: pools after the last unload:"
unloaded | sed 's/^/  /'

# The memory check, on the reports from minute five on.
reports | awk '
  NR == 5 { base = $3; low = $3; high = $3 } NR > 5 { if ($3 < low) low = $3; if ($3 > high) high = $3 }
  END {
    if (base == "") { print "soak: fewer than five reports, no memory check"; exit 0 }
    printf "soak: resident memory from minute 5 on: %d to %d kB (%.1f%% to %.1f%% of minute 5)\n",
           low, high, 100 * low / base, 100 * high / base
    exit (high > 1.1 * base || low < 0.9 * base) ? 2 : 0
  }'
