#!/usr/bin/env bash
# Big fleets against the frame rate: each run starts the game in a scratch folder on a virtual
# display of its own, lets it draw for 3 s, makes one run's script calls in one frame, watches the
# game for WATCH seconds (90) and then ends it with SIGTERM. For each run it prints the calls taken
# and refused; the longest gap without a frame after the calls, counted from the last frame before
# them (so the calls' own time is in it) and timed by the frame clock that the build makes
# (build/libframe_clock.so, preloaded into the game); the resident memory at the end of the watch
# and its peak; and how long SIGTERM took to end the game (killed after TERM_WAIT seconds, 30).
#
#   bash tools/fleet-load.sh [RUN ...]     (from anywhere; needs the game built into build/)
#
# Runs (all of them but "pile" by default):
#   fleets        the Test scenario, four Ship.spawnFleet({"trifighter": 400}, enemy, (0 0 -3000))
#   fleet         the Test scenario, one such call
#   survival      survivalStart("Deep Space", {"trifighter": 1000})
#   bastions      an empty scenario, Ship.spawnFleet({"bastion": 1000}, enemy, (0 0 -3000))
#   bastion-calls an empty scenario, 41 calls of Ship.spawnFleet({"bastion": 25}, enemy, place) with
#                 the places on a grid 4,000 units apart about (0 0 -3000): the bound takes 40
#                 calls (1,000 ships), refuses the last
#   grid          the Test scenario, 800 trifighters made and activated one by one on a grid 40
#                 units apart about (0 0 -3000): the ships "fleets" takes, spread by the script
#   bastion-grid  an empty scenario, 1,000 bastions made and activated one by one on a grid 200
#                 units apart about (0 0 -3000): the ships of "bastions", spread by the script
#   bastion-battle  an empty scenario, 500 bastions a side made and activated one by one on two such
#                 grids facing each other, their centres 1,400 units apart: every turret near the
#                 front has hundreds of enemies in range to choose from
#   pile          the Test scenario, PILE (100) trifighters made and activated one by one at
#                 (0 0 -3000): ships a script places inside each other
# The load average is printed before each run: the figures mean little on a busy machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(fleets fleet survival bastions bastion-calls grid bastion-grid bastion-battle)
watch=${WATCH:-90}
term_wait=${TERM_WAIT:-30}
pile=${PILE:-100}
for run in "${runs[@]}"; do
  case $run in fleets | fleet | survival | bastions | bastion-calls | grid | bastion-grid | bastion-battle | pile) ;; *) echo "fleet-load: unknown run $run" >&2; exit 2 ;; esac
done
make_scratch_game fleet-load
clock="$root/build/libframe_clock.so"
[ -f "$clock" ] || { echo "fleet-load: build the frame clock first ($clock is missing)" >&2; exit 1; }

write_startup() {
  cat >"$work/startup.py" <<EOF
# Written by tools/fleet-load.sh for the run "$1".
import time
from Tolvarine import *

fleetLoadRun = "$1"
fleetLoadPile = $pile
fleetLoadPlace = Vector3(0, 0, -3000)


def fleetLoadScene():
    manager = ScenarioManager.getSingleton()
    if fleetLoadRun == "survival":
        return manager.loadScenario("Survival")
    if fleetLoadRun in ("bastions", "bastion-calls", "bastion-grid", "bastion-battle"):
        # Loading the skirmish without starting it gives an empty scenario.
        scenario = manager.loadScenario("Skirmish")
        AreaManager.getSingleton().loadArea("Deep Space")
        scenario.createFactions()
        return scenario
    return manager.loadScenario("Test")


# The AI flies every ship and a free camera watches the place: a ship of the player's that the
# player flies would, once destroyed, open command mode, which pauses the battle.
def fleetLoadWatchFreely(scenario):
    player = scenario.getFaction("Player")
    for ship in player.getShipList() if player is not None else []:
        ship.setFocus(False)
    camera = CameraController.getSingleton().setCameraTypeFree()
    camera.setTargetMode(TargetMode.IGNORE)
    camera.setPosition(Vector3(0, 400, -1200))
    camera.moveTo(Vector3(0, 400, -1200))
    camera.pointAt(fleetLoadPlace)
    Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)


def fleetLoadSpawnAt(fleet, enemy, place, taken):
    try:
        taken.extend(Ship.spawnFleet(fleet, enemy, place, Quaternion()))
        return "taken"
    except ValueError:
        return "refused"


def fleetLoadSpawn(fleet, enemy, taken):
    return fleetLoadSpawnAt(fleet, enemy, fleetLoadPlace, taken)


def fleetLoadGrid(count, spacing, centre):
    layers = (count + 99) // 100
    return [centre + spacing * Vector3(i % 10 - 4.5, i // 10 % 10 - 4.5, i // 100 - (layers - 1) / 2.0)
            for i in range(count)]


def fleetLoadCalls(scenario):
    enemy = scenario.getFaction("Enemy")
    taken = []
    if fleetLoadRun == "survival":
        scenario.survivalStart("Deep Space", {"trifighter": 1000})
        # The survival starts in command mode.
        fleetLoadWatchFreely(scenario)
        return "survivalStart taken (%d player ships)" % len(scenario.getFaction("Player").getShipList())
    if fleetLoadRun in ("fleets", "fleet", "bastions"):
        fleet = {"bastion": 1000} if fleetLoadRun == "bastions" else {"trifighter": 400}
        answers = [fleetLoadSpawn(fleet, enemy, taken) for _ in range(4 if fleetLoadRun == "fleets" else 1)]
        return "%d taken (%d ships), %d refused" % (answers.count("taken"), len(taken), answers.count("refused"))
    if fleetLoadRun == "bastion-calls":
        # Seven places a row, six rows, the places 4,000 apart about the place.
        places = [fleetLoadPlace + 4000 * Vector3(i % 7 - 3, i // 7 - 2.5, 0) for i in range(41)]
        answers = [fleetLoadSpawnAt({"bastion": 25}, enemy, place, taken) for place in places]
        return "%d taken (%d ships), %d refused" % (answers.count("taken"), len(taken), answers.count("refused"))
    # Grids of ten by ten by as many layers as it takes, about the place.
    if fleetLoadRun == "bastion-battle":
        player = scenario.getFaction("Player")
        facing = Quaternion(0.0, 0.0, 1.0, 0.0)  # half a turn about the vertical
        for side, shift, turn in ((player, 700, Quaternion()), (enemy, -700, facing)):
            for place in fleetLoadGrid(500, 200, fleetLoadPlace + Vector3(0, 0, shift)):
                ship = Ship.create("bastion")
                ship.activate(side, place, turn)
                taken.append(ship)
        return "%d ships activated one by one, two sides" % len(taken)
    if fleetLoadRun == "grid":
        count, type, spacing = 800, "trifighter", 40
    elif fleetLoadRun == "bastion-grid":
        count, type, spacing = 1000, "bastion", 200
    else:
        count, type, spacing = fleetLoadPile, "trifighter", 0
    for place in fleetLoadGrid(count, spacing, fleetLoadPlace):
        ship = Ship.create(type)
        ship.activate(enemy, place, Quaternion())
        taken.append(ship)
    return "%d ships activated one by one" % len(taken)


# The calls, from a task, once the game has drawn for 3 s; the frame clock times the frames.
class FleetLoadWatch:
    def __init__(self, scenario):
        self.scenario = scenario
        self.first = None
        self.called = False

    def frame(self, elapsed):
        now = time.monotonic()
        if self.first is None:
            self.first = now
        if not self.called and now - self.first >= 3.0:
            self.called = True
            answer = fleetLoadCalls(self.scenario)
            print("fleet-load: calls from %.3f: %s, %.2f s" % (now, answer, time.monotonic() - now), flush=True)
        return not self.called


fleetLoadWatch = FleetLoadWatch(fleetLoadScene())
fleetLoadWatchFreely(fleetLoadWatch.scenario)
fleetLoadTask = createTask(fleetLoadWatch.frame, "FleetLoadWatch", 0.0, 0.0)
fleetLoadTask.subscribe(True)
EOF
}

monotonic() { python3 -c 'import time; print("%.3f" % time.monotonic())'; }
# kB of a /proc status field of the game, or 0 once it is gone.
status_kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$game_pid/status" 2>/dev/null || echo 0; }

for run in "${runs[@]}"; do
  write_startup "$run"
  out="$work/stdout-$run.txt"
  echo "fleet-load $run: load average $(cut -d' ' -f1-3 /proc/loadavg)"
  frame_lines="$work/frames-$run.txt"
  (cd "$work" && TOLVARINE_REPORT_PERIOD=5 FRAME_CLOCK_FILE="$frame_lines" LD_PRELOAD="$clock" exec "$game" </dev/null >"$out" 2>"$work/stderr-$run.txt") &
  game_pid=$!
  # The calls, or the game's end before them.
  if ! wait_for_game 0.1 60 grep -q '^fleet-load: calls from' "$out"; then
    echo "fleet-load $run: the game ended or never made the calls" >&2
    tail -20 "$out" >&2
    exit 1
  fi
  called=$(sed -n 's/^fleet-load: calls from \([0-9.]*\):.*/\1/p' "$out")
  sed -n 's/^fleet-load: calls from [0-9.]*: \(.*\)/fleet-load '"$run"': calls: \1/p' "$out"
  end=$(awk -v from="$called" -v span="$watch" 'BEGIN { printf "%.3f", from + span }')
  while awk -v now="$(monotonic)" -v end="$end" 'BEGIN { exit !(now < end) }'; do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 1
  done
  now=$(monotonic)
  rss=$(status_kb VmRSS)
  peak=$(status_kb VmHWM)
  # The longest gap of every half second within the watch, and the one still open at its end,
  # from the last frame known.
  awk -v from="$called" -v now="$now" -v end="$end" -v run="$run" '
    $1 != "frame-clock:" || $2 != "frame" { next }
    $5 <= from { before = $3; next }
    $5 > end { next }
    $7 > longest { longest = $7 }
    { last = $5; frames = $3 }
    END {
      if (last == "") { last = from; frames = before }
      open = (now < end ? now : end) - last
      note = ""
      if (open > 1 && open > longest) { longest = open; note = " (and none at the end of the watch)" }
      printf "fleet-load %s: longest gap without a frame after the calls: %.2f s%s; frames in the %d s after them: %d\n",
             run, longest, note, end - from, frames - before
    }' "$frame_lines"
  # Command mode pauses the battle, and a paused game draws its frames cheaply.
  # grep reads the whole stream (no -q), so sed never dies of SIGPIPE, which pipefail would count.
  if sed -n '/^fleet-load: calls from/,$p' "$out" | grep '^Command mode: the game is paused' >/dev/null; then
    echo "fleet-load $run: the game went into command mode (paused) during the watch" >&2
  fi
  echo "fleet-load $run: resident memory at the end of the watch: $((rss / 1024)) MB (peak $((peak / 1024)) MB)"
  # The last pool report (every 5 s of game time): the ships in play and the warp arrivals.
  awk -v run="$run" '/^Resources at [0-9]+ s:/ { time = $3 } /^Pool (Ship|WarpArrival): [0-9]+ live$/ { live[$2] = $3 }
    END { if (time != "") printf "fleet-load %s: at %d s of game time: %d ships, %d warp arrivals\n", run, time, live["Ship:"], live["WarpArrival:"] }' "$out"
  if ! kill -0 "$game_pid" 2>/dev/null; then
    echo "fleet-load $run: the game ended by itself during the watch" >&2
    tail -20 "$out" >&2
    game_pid=
    continue
  fi
  term_game "$term_wait"
  if [ -n "$term_seconds" ]; then
    echo "fleet-load $run: SIGTERM ended the game in $term_seconds s"
  else
    echo "fleet-load $run: the game was still running $term_wait s after SIGTERM (killed)"
  fi
done
