#!/usr/bin/env bash
# Ship deaths in rounds: SHIPS ships of TYPE (6 trifighters by default) are placed in rows of ten,
# 60 units apart, in front of the camera, in an empty stretch of "Deep Space", and destroyed in one
# frame, so that their explosion sequences play together; ROUNDS times (3 by default), each round
# ending ten seconds of game time and at least 20 frames after its deaths. SPRAYS sets the "number"
# of the first EVENTS spray events ("all" by default) of the type's sequence file in the scratch
# copy; without it the shipped file plays. It prints each round's longest gap between two frames
# after the deaths, the peak and the last resident memory, the most sprays and explosions in play
# that the pool reports saw, the game's lines about sprays and explosions left out with how many
# the rounds left out in all, and the time that SIGTERM, sent a second after the deaths of one more
# round, takes to end the game (killed after 60 s).
#
# FANOUT=LEVELS gives the type a death that fans out instead of its own sequence: it starts ten
# sequences, each of which starts ten more, LEVELS deep (0.1 s a level), and each of the last level
# sets off one blast of the group Conventional, so one ship's death makes 10^LEVELS blasts at one
# point (FANOUT=3: 1,000).
#
#   bash tools/ship-deaths.sh [TYPE] [SHIPS] [ROUNDS] [SPRAYS] [EVENTS]
#   bash tools/ship-deaths.sh trifighter 6 3 3000        (3,000 sprays in each of the four events)
#   bash tools/ship-deaths.sh kestrel 2 1 3000 1         (3,000 in the first event only)
#   FANOUT=3 bash tools/ship-deaths.sh trifighter 1 1    (one death, 1,000 blasts)
#
# Needs the game built into build/; runs on a virtual display of its own. KEEP=1 keeps the folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/scratch_game.sh"

on_own_display "$@"
shift
type=${1:-trifighter}
ships=${2:-6}
rounds=${3:-3}
sprays=${4:-}
events=${5:-all}
make_scratch_game ship-deaths

# The type's ship file and sequence, named by its explosionGroup. TYPE is the type's name, the
# "name" of its file's [Ship] section, which need not be the file's name. The file is read as the
# game reads it: keys and values trimmed of spaces and tabs, the first of a key kept, and of two
# files that give one name the first in name order. A third argument writes that group into the
# file instead of its own (FANOUT).
ship_key() {
  python3 - "$@" <<'PY'
import glob, sys
folder, wanted, group = sys.argv[1], sys.argv[2], (sys.argv[3] if len(sys.argv) > 3 else None)

def ship_section(lines):
    """The [Ship] section's keys, each with the index of the line that gave it first."""
    keys, section = {}, None
    for index, line in enumerate(lines):
        text = line.strip(" \t\n")
        if text.startswith("[") and text.endswith("]") and len(text) >= 2:
            section = text[1:-1]
        elif "=" in text and section == "Ship":
            key = text.split("=", 1)[0].strip(" \t\n")
            if key and not key.startswith("#") and key not in keys:
                keys[key] = (index, text.split("=", 1)[1].strip(" \t\n"))
    return keys

for path in sorted(glob.glob(folder + "/*.ship")):
    lines = open(path).read().split("\n")
    keys = ship_section(lines)
    if keys.get("name", (0, None))[1] != wanted:
        continue
    if group is not None:
        lines[keys["explosionGroup"][0]] = "explosionGroup = " + group
        open(path, "w").write("\n".join(lines))
    print(path + "\n" + keys["explosionGroup"][1])
    break
PY
}
found=$(ship_key "$work/data/entities" "$type")
[ -n "$found" ] || { echo "ship-deaths: no ship file in data/entities names the type $type" >&2; exit 2; }
sequence="data/explosions/$(sed -n 2p <<<"$found").explosion_sequence"
if [ -n "${FANOUT:-}" ]; then
  header='[Factory]\npoolSize = 2\n\n[ShipExplosionSequence]\nupdatePeriod = 0.1\nupdateVariance = 0.02\n\n'
  for ((level = 0; level < FANOUT; ++level)); do
    file="$work/data/explosions/fanout$level.explosion_sequence"
    printf "$header" >"$file"
    for event in 0 1 2 3 4 5 6 7 8 9; do
      printf '[Event_%d]\ntype = Sequence\ntime = 0.1\nname = fanout%d\noffset = (0 0 0)\n\n' "$event" $((level + 1)) >>"$file"
    done
  done
  printf "$header"'[Event_Blast]\ntype = ComplexExplosion\ntime = 0.1\ngroup = Conventional\noffset = (0 0 0)\n' \
    >"$work/data/explosions/fanout$FANOUT.explosion_sequence"
  ship_key "$work/data/entities" "$type" fanout0 >/dev/null
  echo "ship-deaths: each death fans out $FANOUT levels deep: $((10 ** FANOUT)) blasts"
fi
if [ -n "$sprays" ]; then
  python3 - "$work/$sequence" "$sprays" "$events" <<'EOF'
import re, sys
path, number, events = sys.argv[1], sys.argv[2], sys.argv[3]
limit = None if events == "all" else int(events)
sections = re.split(r"(?m)^(?=\[)", open(path).read())
edited = 0
for i, section in enumerate(sections):
    if re.search(r"(?m)^type = ParticleSpray$", section) and (limit is None or edited < limit):
        if re.search(r"(?m)^number = ", section):
            section = re.sub(r"(?m)^number = .*$", "number = " + number, section)
        else:
            section = section.rstrip("\n") + "\nnumber = " + number + "\n\n"
        sections[i] = section
        edited += 1
open(path, "w").write("".join(sections))
print("ship-deaths: %s: number = %s in %d spray events" % (path.split("/data/")[-1], number, edited))
EOF
fi

cat >"$work/startup.py" <<EOF
from Tolvarine import *
import time

DEATHS_TYPE, DEATHS_SHIPS, DEATHS_ROUNDS = "$type", $ships, $rounds
EOF
cat >>"$work/startup.py" <<'EOF'
# The skirmish's scenario sets up nothing of its own, and without its start no mode ends the game:
# an empty stretch of space with the two standard sides and a still camera on the origin.
deathsScenario = ScenarioManager.getSingleton().loadScenario("Skirmish")
AreaManager.getSingleton().loadArea("Deep Space")
deathsScenario.createFactions()
deathsCamera = CameraController.getSingleton().setCameraTypeFree()
deathsCamera.setTargetMode(TargetMode.IGNORE)
deathsCamera.setPosition(Vector3(0, 80, 400))
deathsCamera.moveTo(Vector3(0, 80, 400))
deathsCamera.pointAt(Vector3(0, 0, 0))
Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)


# Runs at every pass of the main loop: the gap between two runs is the gap between two frames.
class Deaths:
    def __init__(self):
        self.gameTime = 0.0
        self.last = time.monotonic()
        self.round = 0
        self.roundStart = 0.0
        self.ships = []
        self.longest = 0.0
        self.frames = 0
        self.deaths = 0.0
        self.report = []

    def step(self, elapsed):
        now = time.monotonic()
        gap = now - self.last
        self.last = now
        self.gameTime += elapsed
        since = self.gameTime - self.roundStart
        if self.ships == [] and since >= 0.0:
            self.spawn()
        elif self.ships and since >= 2.0 and self.frames == 0:
            for ship in self.ships:
                ship.destroy()
            self.frames = 1
            self.longest = 0.0
            self.deaths = now
            # The round after the measured ones is there for SIGTERM, sent a second after its deaths.
            if self.round > DEATHS_ROUNDS:
                with open("ship-deaths-done.txt", "w") as done:
                    done.write("\n".join(self.report) + "\n")
                return False
        elif self.frames > 0:
            self.frames += 1
            self.longest = max(self.longest, gap)
            # A frame that takes long moves the game clock as far: 20 frames at least, so that the
            # frames that make and end the sprays are among those measured.
            if since >= 12.0 and self.frames >= 20:
                line = "round %d: %d %s destroyed together; longest gap without a frame %.2f s, %d frames in the %.1f s after" % (
                    self.round, len(self.ships), DEATHS_TYPE, self.longest, self.frames, now - self.deaths)
                print("ship-deaths: " + line, flush=True)
                self.report.append(line)
                self.ships = []
                self.frames = 0
                self.roundStart = self.gameTime
        return True

    def spawn(self):
        self.round += 1
        enemy = deathsScenario.getFaction("Enemy")
        row = min(DEATHS_SHIPS, 10)
        for i in range(DEATHS_SHIPS):
            place = Vector3((i % 10 - (row - 1) / 2.0) * 60.0, (i // 10) * 60.0, 0.0)
            ship = Ship.create(DEATHS_TYPE)
            ship.activate(enemy, place, Quaternion())
            ship.getBehaviour().loiter(place)
            self.ships.append(ship)


deaths = Deaths()
deathsTask = createTask(deaths.step, "ShipDeaths", 0.0, 0.0)
deathsTask.subscribe(True)
EOF

out="$work/stdout.txt"
echo "ship-deaths: $rounds rounds of $ships $type, load average $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$work" && TOLVARINE_REPORT_PERIOD=0.5 exec "$game" </dev/null >"$out" 2>"$work/stderr.txt") &
game_pid=$!
if ! wait_for_game 0.25 600 test -s "$work/ship-deaths-done.txt"; then
  echo "ship-deaths: the rounds did not finish within 10 minutes" >&2
  tail -20 "$out" >&2
  exit 1
fi
cat "$work/ship-deaths-done.txt"
awk '/^VmHWM|^VmRSS/ { printf "%s %.0f MB\n", ($1 == "VmHWM:" ? "peak resident memory" : "resident memory after the rounds"), $2 / 1024 }' \
  "/proc/$game_pid/status"
for kind in ParticleSpray:sprays ComplexExplosion:explosions; do
  most=$(sed -n "s/^Pool ${kind%%:*}: \([0-9]*\) live\$/\1/p" "$out" | sort -n | tail -1)
  echo "most ${kind##*:} in play in the pool reports (every 0.5 s of game time): ${most:-none}"
done
grep -E '^(ParticleSprayEvent|ComplexExplosionEvent) ' "$out" | sort | uniq -c | sed 's/^ */game log (times): /' || true
left_out=$(grep '^Left out by explosion sequences: ' "$out" | tail -1)
echo "${left_out:-Left out by explosion sequences: no report} (in all the rounds, from the last report)"

sleep 1
term_game 60
if [ -n "$term_seconds" ]; then
  echo "SIGTERM a second after the deaths of one more round ended the game in $term_seconds s"
else
  echo "SIGTERM a second after the deaths of one more round unanswered after 60 s: killed"
fi
