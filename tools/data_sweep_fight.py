
# The data sweep's fight, added to the end of the start-up script by tools/data_sweep.py: the menus'
# scenario played instead of shown. The player's lead Trifighter is flown (by keys the sweep sends:
# a target, the formation, the views, the guns and a missile), the rest of both sides fight under
# their AI, an enemy wing of every fighter type closes in on the player's so that every weapon
# fires, an enemy warps in, and from 3 s on one ship of every kind is destroyed, the flown one last:
# its sequence's camera and command events act, and the sweep answers command mode with C, flying on
# in another ship until 10.5 s of game time have passed (the capital ship's sequence, the longest,
# lasts 5 s).
SWEEP_AREA = ""
if SWEEP_AREA:
    AreaManager.getSingleton().loadArea(SWEEP_AREA)
Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)
sweepScenario = ScenarioManager.getSingleton().getCurrentScenario()
sweepPlayer = sweepScenario.getFaction("Player")
sweepEnemy = sweepScenario.getFaction("Enemy")
sweepWingman = [s for s in sweepPlayer.getShipList() if not isinstance(s, CapitalShip)][:1]
sweepFlown = Ship.spawnFleet({"trifighter": 1}, sweepPlayer, Vector3(-110, 40, -200),
                             Quaternion(0.7071068, 0.0, -0.7071068, 0.0))[0]
sweepFlown.setFocus(True)
sweepCapital = [s for s in sweepEnemy.getShipList() if isinstance(s, CapitalShip)]
sweepWing = Ship.spawnFleet({"trifighter": 1, "kestrel": 1, "drone": 2}, sweepEnemy, Vector3(-20, 0, -260),
                            Quaternion(0.7071068, 0.0, 0.7071068, 0.0))
WarpArrival.create("trifighter", sweepEnemy, Vector3(0, 60, -320), Quaternion())


class SweepFight:
    def __init__(self):
        self.time = 0.0
        self.done = set()

    def at(self, when, name, ships):
        if self.time >= when and name not in self.done:
            self.done.add(name)
            for ship in ships:
                try:
                    ship.destroy()
                except Exception as error:
                    print("Sweep: " + name + ": " + str(error), flush=True)
            print("Sweep: " + name, flush=True)

    def step(self, elapsed):
        self.time += elapsed
        self.at(3.0, "enemy capital ship destroyed", sweepCapital)
        self.at(3.5, "enemy fighters destroyed", sweepWing[:2])
        self.at(4.0, "drones destroyed", sweepWing[2:])
        self.at(4.5, "a wingman destroyed", sweepWingman)
        self.at(5.0, "flown ship destroyed", [sweepFlown])
        if self.time >= 10.5:
            open("sweep-done.txt", "w").write("done\n")
            return False
        return True


sweepFight = SweepFight()
sweepTask = createTask(sweepFight.step, "SweepFight", 0.0, 0.0)
sweepTask.subscribe(True)
open("sweep-started.txt", "w").write("started\n")
