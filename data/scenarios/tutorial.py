# The tutorial's scenario: the nebula sky and its light, the two sides, and the drones the player
# trains against. The tutorial brings the player's own ship when its practice begins: a
# Trifighter of "Player" at (0, 0, -100), nose towards -z. The drones, "Enemy" ships that never
# shoot back, wait ahead of it, spread across its nose view; the practice ends when none is left.
from Tolvarine import *


class TutorialScenarioConfig(ScenarioConfig):
    # Where the drones hold station, ahead of the practice ship.
    dronePositions = (Vector3(-70, 15, -450), Vector3(60, -20, -520), Vector3(0, 40, -650),
                      Vector3(140, 10, -780))

    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = []
        self.drones = []

    def initialise(self):
        scenario = ScenarioManager.getSingleton().getCurrentScenario()
        scenario.setSkyBox("Tolvarine/NebulaSky", 10000.0)
        scenario.addDirectionalLight(Vector3(-0.4, -0.3, -1.0),
                                     ColourValue(0.95, 0.9, 0.82, 1.0), ColourValue(1.0, 1.0, 1.0, 1.0))
        player = Faction.create("Player")
        enemy = Faction.create("Enemy")
        player.addEnemy(enemy)
        enemy.addEnemy(player)
        facingPlayer = Quaternion(0.0, 0.0, 1.0, 0.0)  # half a turn about the vertical
        self.drones = []
        for position in self.dronePositions:
            for drone in Ship.spawnFleet({"drone": 1}, enemy, position, facingPlayer):
                drone.getBehaviour().loiter(position)
                self.drones.append(drone)

    def unload(self):
        self.drones = []

    def getName(self):
        return "Tutorial"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return TutorialScenarioConfig()
