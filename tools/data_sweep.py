#!/usr/bin/env python3
"""The data sweep: every number that the data and settings files give, set in turn to each of a
few values, each in a whole game of its own in which the player's flown ship and enemy ships die.

Every run is a copy of the shipped files (tools/fill-game-folder.sh) with one value changed, and the
start-up script followed by tools/data_sweep_fight.py, on a virtual display of its own. It ends in
one of three ways:

  refused    the start-up stopped with exit code 1 before the fight began; the row says whether a
             line of the log named the file (or its enciphered twin) and the key
  plays      the fight ran its 10.5 s of game time (or the scenario ended before, the player's side
             gone), and SIGTERM then ended the game with exit code 0,
             with no failure line in its log and no word of the physics library's errors
  FAULT      anything else: the game ended in the fight (a signal, an exit code), froze, did not
             answer SIGTERM, or logged a failure line; the row gives the last lines

The rows are the numbers of the shipped files: every key of the ship, weapon, fireable, station,
explosion, spray, debris, explosion sequence, area and settings files (cfg/ and the response
curves) whose value is a number or a vector of numbers, and every numeric attribute of the particle
scripts. Keys that several files of one kind share under like sections are swept once, in the file
that plays most (the flown Trifighter's, the blasts of its death, ...); --all-files sweeps every file.

  python3 tools/data_sweep.py [--jobs N] [--values 0,-1,1e6,3.4e38,-3.4e38] [--match REGEX]
                              [--again TABLE] [--all-files] [--list] [--out TABLE]

--match keeps the rows whose "file [section] key" matches REGEX; --again TABLE runs again the rows
that a table written before marked FAULT (or, with --match, those of them that match). The table
(tab-separated, one line a run, written as the runs end) goes to --out (data-sweep.tsv in the
repository root by default; git ignores it) and a summary by key is printed at the end. KEEP=1
keeps the game folders of the faults beside the table.

Needs the game built into build/ and Xvfb and xdotool (tools/install-deps.sh installs them).
"""

import argparse
import concurrent.futures
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The game under test: build/tolvarine, or GAME=<program> (a copy, so that a build can go on meanwhile).
GAME = os.environ.get("GAME") or os.path.join(ROOT, "build", "tolvarine")
NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"
VECTOR = r"\(\s*(?:%s\s*)+\)" % NUMBER
DEFAULT_VALUES = "0,-1,1e6,3.4e38,-3.4e38"
# The log markers of a failure, as the whole-game tests read them.
FAILURE_MARKERS = ("xception", "Error", "ERROR", "Traceback", "caught at top-level", "not saved", "failed")
# The fight's 10.5 s of game time, and its start-up, on a loaded machine.
RUN_SECONDS = 240
TERM_SECONDS = 30

# The files of each kind in the order of preference: a key shared by several files of a kind is
# swept in the first that has it.
KINDS = [
    ("ship", "data/entities", [".ship"], ["trifighter", "bastion", "kestrel", "drone"]),
    ("weapon", "data/entities", [".weapon"], ["plasma_gun", "missile_launcher"]),
    ("fireable", "data/entities", [".fireable"], ["plasma_bolt", "seeker_missile", "point_defense_beam"]),
    ("station", "data/entities", [".station"], []),
    ("explosion", "data/explosions", [".explosion"], ["conventional_blast"]),
    ("spray", "data/explosions", [".spray"], ["sparks"]),
    ("debris", "data/explosions/debris", [".debris"], ["hull_fragment"]),
    ("sequence", "data/explosions", [".explosion_sequence"], ["trifighter", "bastion"]),
    ("area", "data/areas", [".area"], ["nebula"]),
    ("settings", "cfg", [".cfg"], []),
    ("curves", "data", ["curves.cfg"], []),
    ("particle", "data/particle_systems", [".particle"], ["sprays"]),
]


class Row:
    """One number of one file: where it stands and what it is."""

    def __init__(self, kind, path, line, section, key, value):
        self.kind, self.path, self.line, self.section, self.key, self.value = kind, path, line, section, key, value

    def name(self):
        return "%s [%s] %s" % (self.path, self.section, self.key)

    def is_vector(self):
        return self.value.startswith("(")


def ini_rows(kind, path):
    """The numeric keys of a settings-style file, the first of each key in its section."""
    rows, section, seen = [], None, set()
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text):
            stripped = line.strip(" \t\r\n")
            if stripped.startswith("[") and stripped.endswith("]") and len(stripped) >= 2:
                section = stripped[1:-1]
            elif "=" in stripped and section is not None and not stripped.startswith("#"):
                key, value = (part.strip(" \t") for part in stripped.split("=", 1))
                if (section, key) in seen:
                    continue
                seen.add((section, key))
                if re.fullmatch(NUMBER, value) or re.fullmatch(VECTOR, value):
                    rows.append(Row(kind, path, number, section, key, value))
    return rows


def particle_rows(path):
    """The numeric attributes of a particle script, with the blocks they stand in."""
    rows, blocks, header = [], [], None
    with open(os.path.join(ROOT, path), encoding="utf-8") as text:
        for number, line in enumerate(text):
            words = line.split("//")[0].split()
            if not words:
                continue
            if words == ["{"]:
                blocks.append(header)
            elif words == ["}"]:
                blocks.pop()
            elif len(words) >= 2 and all(re.fullmatch(NUMBER, word) for word in words[1:]):
                value = words[1] if len(words) == 2 else "(" + " ".join(words[1:]) + ")"
                rows.append(Row("particle", path, number, " / ".join(blocks), words[0], value))
            else:
                header = " ".join(words)
    return rows


def section_class(row):
    """What makes a key the same key in two files of a kind: sections of one sort share it
    (Component_Hull and Component_Cockpit, the events of one type), blocks of one sort too."""
    if row.kind == "particle":
        return re.sub(r"^particle_system \S+", "particle_system", row.section)
    if row.kind == "sequence" and "Event_" in row.section:
        return "Event:" + event_type(row)
    if row.kind in ("settings", "curves", "area"):
        return row.section
    return row.section.split("_")[0]


def event_type(row):
    section, kind = None, ""
    with open(os.path.join(ROOT, row.path), encoding="utf-8") as text:
        for line in text:
            stripped = line.strip()
            if stripped.startswith("["):
                section = stripped[1:-1]
            elif section == row.section and stripped.replace(" ", "").startswith("type="):
                kind = stripped.split("=", 1)[1].strip()
    return kind


def kind_files(folder, extensions, preferred):
    names = sorted(name for name in os.listdir(os.path.join(ROOT, folder))
                   if any(name.endswith(extension) for extension in extensions) and not name.startswith("."))
    stem = lambda name: name.rsplit(".", 1)[0]
    order = [name for wanted in preferred for name in names if stem(name) == wanted]
    return order + [name for name in names if name not in order]


def all_rows(every_file):
    rows = []
    for kind, folder, extensions, preferred in KINDS:
        seen = set()
        for name in kind_files(folder, extensions, preferred):
            path = os.path.join(folder, name)
            for row in (particle_rows(path) if kind == "particle" else ini_rows(kind, path)):
                # The response curves' samples: one row a curve is enough; every curve is read alike.
                identity = (section_class(row), re.sub(r"\d+", "#", row.key) if kind == "curves" else row.key)
                if kind == "curves" and identity in seen or (not every_file and kind != "curves" and identity in seen):
                    continue
                seen.add(identity)
                rows.append(row)
    return rows


def changed_value(row, value):
    if not row.is_vector():
        return value
    count = len(row.value.strip("()").split())
    return "(" + " ".join([value] * count) + ")"


def write_change(folder, row, value):
    path = os.path.join(folder, row.path)
    with open(path, encoding="utf-8", errors="surrogateescape") as text:
        lines = text.read().split("\n")
    line = lines[row.line]
    new = changed_value(row, value)
    if row.kind == "particle":
        indent = line[: len(line) - len(line.lstrip())]
        lines[row.line] = indent + row.key + " " + new.strip("()")
    else:
        lines[row.line] = line.split("=", 1)[0].rstrip() + " = " + new
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as text:
        text.write("\n".join(lines))


def area_name(row):
    """The area a row of an area file needs loaded, by the name its file gives."""
    if row.kind != "area":
        return ""
    with open(os.path.join(ROOT, row.path), encoding="utf-8") as text:
        for line in text:
            if line.replace(" ", "").startswith("name="):
                return line.split("=", 1)[1].strip()
    return ""


def template_folder():
    folder = tempfile.mkdtemp(prefix="tolvarine-sweep-template.")
    subprocess.run(["bash", os.path.join(ROOT, "tools", "fill-game-folder.sh"), folder], check=True)
    # A small window: the software renderer's cost follows its pixels, and the sweep shows nothing.
    ogre = os.path.join(folder, "ogre.cfg")
    with open(ogre) as text:
        options = re.sub(r"Video Mode=.*", "Video Mode=640 x 480", text.read())
    with open(ogre, "w") as text:
        text.write(options)
    return folder


def prepare_run(template, row, value):
    folder = tempfile.mkdtemp(prefix="tolvarine-sweep.")
    shutil.copytree(template, folder, dirs_exist_ok=True)
    write_change(folder, row, value)
    with open(os.path.join(ROOT, "tools", "data_sweep_fight.py")) as fight:
        script = fight.read().replace('SWEEP_AREA = ""', 'SWEEP_AREA = "%s"' % area_name(row))
    with open(os.path.join(folder, "startup.py"), "a") as startup:
        startup.write("\n" + script)
    return folder


# ---- One run, on the virtual display that own-display.sh gives this process ----

def log_has(folder, text):
    try:
        with open(os.path.join(folder, "Tolvarine.log"), errors="replace") as log:
            return text in log.read()
    except OSError:
        return False


def press(keys):
    subprocess.run(["xdotool"] + keys, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)


def play(folder):
    """Runs the game in FOLDER through the fight; writes run.txt: the exit code and how it ended."""
    with open(os.path.join(folder, "stdout.txt"), "w") as out, open(os.path.join(folder, "stderr.txt"), "w") as err:
        # One drawing thread a game: the software renderer would take every core for each of the
        # games the sweep runs side by side.
        environment = dict(os.environ, LP_NUM_THREADS=os.environ.get("LP_NUM_THREADS", "1"))
        game = subprocess.Popen([GAME], cwd=folder, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=environment)
    started = time.monotonic()
    how, keyed, commands, ended = "froze", False, 0, ""
    while game.poll() is None and time.monotonic() - started < RUN_SECONDS:
        time.sleep(0.2)
        if os.path.exists(os.path.join(folder, "sweep-done.txt")):
            how = "done"
            break
        # The player's side gone (every ship thrown out of play, say): the game ends the scenario and
        # shows its statistics, as at the end of any game, and the fight's clock stands.
        if log_has(folder, "Scenario Startup ended."):
            how, ended = "done", " (the scenario ended first: the player's side was gone)"
            break
        if not keyed and os.path.exists(os.path.join(folder, "sweep-started.txt")):
            # The player's own use of the ship once the window takes keys: thrust ahead (held, so
            # that the views have a ship in motion to follow), a target, the formation, the nose,
            # fly-by and chase views, the guns for a second and a missile.
            keyed = True
            time.sleep(1.0)
            for keys in (["keydown", "w"], ["key", "t"], ["key", "f"], ["key", "F1"], ["sleep", "0.7"], ["key", "F3"], ["sleep", "0.7"],
                         ["key", "F2"], ["mousedown", "1"], ["sleep", "1"], ["mouseup", "1"], ["click", "3"]):
                press(keys)
        # Command mode pauses the game: fly the selected ship.
        paused = open(os.path.join(folder, "Tolvarine.log"), errors="replace").read().count("Command mode: the game is paused") \
            if os.path.exists(os.path.join(folder, "Tolvarine.log")) else 0
        if paused > commands:
            time.sleep(0.5)
            press(["key", "c"])
            commands = paused
    code = game.poll()
    if code is not None and how == "froze":
        how = "ended in the fight" if os.path.exists(os.path.join(folder, "sweep-started.txt")) else "ended at start-up"
    if code is None and how == "done":
        sent = time.monotonic()
        game.send_signal(signal.SIGTERM)
        try:
            code = game.wait(TERM_SECONDS)
            how = "done, SIGTERM answered in %.1f s%s" % (time.monotonic() - sent, ended)
        except subprocess.TimeoutExpired:
            how = "done, SIGTERM unanswered"
    if code is None:
        game.kill()
        game.wait()
        code = "killed"
    elif code < 0:
        code = 128 - code
    with open(os.path.join(folder, "run.txt"), "w") as result:
        result.write("%s\n%s\n%.1f\n" % (code, how, time.monotonic() - started))


# ---- The judgement of a run ----

def read(folder, name):
    try:
        with open(os.path.join(folder, name), errors="replace") as text:
            return text.read()
    except OSError:
        return ""


def judge(folder, row):
    code, how, seconds = (read(folder, "run.txt").split("\n") + ["", "", ""])[:3]
    log = read(folder, "Tolvarine.log").split("\n")
    stderr = read(folder, "stderr.txt")
    started = os.path.exists(os.path.join(folder, "sweep-started.txt"))
    tail = " | ".join(line[10:] for line in log[-200:] if line.strip() and any(m in line for m in FAILURE_MARKERS))[-600:]
    if not tail:
        tail = " | ".join(line[10:] for line in log[-4:] if line.strip())[-600:]
    twin = row.path + "x"
    if code == "1" and not started:
        names_file = any(row.path in line or twin in line for line in log)
        names_key = any(re.search(r"\b%s\b" % re.escape(row.key), line) for line in log[-40:])
        place = "names file and key" if names_file and names_key else "names file" if names_file else "names neither"
        return "refused", place, tail, seconds
    failures = [line[10:] for line in log if started and any(m in line for m in FAILURE_MARKERS)]
    physics = [line for line in stderr.split("\n") + log if "ODE INTERNAL ERROR" in line or "ODE Message" in line]
    if how.startswith("done, SIGTERM answered") and code == "0" and not failures and not physics:
        return "plays", how, "", seconds
    detail = "exit %s, %s" % (code, how)
    if physics:
        detail += "; physics library: " + physics[0][-200:]
    if code in ("134", "139", "136") and stderr.strip():
        detail += "; stderr: " + stderr.strip().split("\n")[-1][:200]
    return "FAULT", detail, (" | ".join(failures) or tail)[-600:], seconds


def run(template, row, value, keep_folder):
    folder = prepare_run(template, row, value)
    try:
        subprocess.run(["bash", os.path.join(ROOT, "tools", "own-display.sh"), sys.executable, os.path.abspath(__file__),
                        "--play", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=RUN_SECONDS + TERM_SECONDS + 60)
        outcome = judge(folder, row)
        if outcome[0] == "FAULT" and keep_folder:
            kept = os.path.join(keep_folder, re.sub(r"[^A-Za-z0-9_.-]+", "_", row.name() + "=" + value))
            shutil.rmtree(kept, ignore_errors=True)
            shutil.copytree(folder, kept)
        return outcome
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def faults_of(table):
    found = set()
    with open(table) as text:
        for line in text:
            fields = line.rstrip("\n").split("\t")
            if len(fields) >= 6 and fields[5] == "FAULT":
                found.add((fields[1], fields[2], fields[3], fields[4]))
    return found


def summary(results):
    """One line a key: each value's outcome, faults spelt out."""
    by_row = {}
    for row, value, outcome in results:
        by_row.setdefault(row.name(), []).append("%s: %s" % (value, outcome[0] if outcome[0] != "refused" else
                                                             "refused (%s)" % outcome[1]))
    for name in sorted(by_row):
        print("%s\t%s" % (name, "; ".join(by_row[name])))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--play":
        play(sys.argv[2])
        return 0
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--jobs", type=int, default=max(1, (os.cpu_count() or 2) // 2))
    parser.add_argument("--values", default=DEFAULT_VALUES)
    parser.add_argument("--match", default="")
    parser.add_argument("--again", default="")
    parser.add_argument("--all-files", action="store_true")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--out", default=os.path.join(ROOT, "data-sweep.tsv"))
    options = parser.parse_args()

    rows = [row for row in all_rows(options.all_files) if re.search(options.match, row.name())]
    values = options.values.split(",")
    runs = [(row, value) for row in rows for value in values]
    if options.again:
        again = faults_of(options.again)
        runs = [(row, value) for row, value in runs if (row.path, row.section, row.key, value) in again]
    if options.list:
        for row in rows:
            print("%s\t%s\t%s" % (row.kind, row.name(), row.value))
        print("%d rows, %d runs" % (len(rows), len(runs)), file=sys.stderr)
        return 0
    if not os.access(GAME, os.X_OK):
        print("data_sweep: build the game first (%s is missing)" % GAME, file=sys.stderr)
        return 1
    keep_folder = os.path.join(os.path.dirname(os.path.abspath(options.out)), "data-sweep-faults") \
        if os.environ.get("KEEP") == "1" else None
    template = template_folder()
    lock = threading.Lock()
    results = []
    print("data_sweep: %d rows, %d runs, %d at a time, load average %s" % (
        len(rows), len(runs), options.jobs, open("/proc/loadavg").read().split()[0]), flush=True)
    try:
        with open(options.out, "a") as table, concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            futures = {pool.submit(run, template, row, value, keep_folder): (row, value) for row, value in runs}
            for count, future in enumerate(concurrent.futures.as_completed(futures), 1):
                row, value = futures[future]
                outcome = future.result()
                with lock:
                    results.append((row, value, outcome))
                    table.write("\t".join([row.kind, row.path, row.section, row.key, value, outcome[0], outcome[1],
                                           outcome[2].replace("\t", " "), outcome[3]]) + "\n")
                    table.flush()
                if outcome[0] == "FAULT" or count % 25 == 0:
                    print("[%d/%d] %s = %s: %s %s %s" % (count, len(runs), row.name(), value, outcome[0], outcome[1],
                                                         outcome[2][:300]), flush=True)
    finally:
        shutil.rmtree(template, ignore_errors=True)
    summary(results)
    faults = sum(1 for _, _, outcome in results if outcome[0] == "FAULT")
    print("data_sweep: %d runs: %d play, %d refused at start-up, %d faults" % (
        len(results), sum(1 for r in results if r[2][0] == "plays"), sum(1 for r in results if r[2][0] == "refused"),
        faults), flush=True)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
