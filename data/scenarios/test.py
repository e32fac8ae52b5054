# A scenario for developers to try things in; the test ground loads it on request. The player flies
# a trifighter against a small enemy wing, with a capital ship of each side close by: enough to
# try weapons, damage and the AI on the types that the test ground has just read again.
from Tolvarine import *


class TestScenarioConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = []

    def initialise(self):
        scenario = ScenarioManager.getSingleton().getCurrentScenario()
        scenario.setSkyBox("Tolvarine/NebulaSky", 10000.0)
        scenario.addDirectionalLight(Vector3(-0.4, -0.3, -1.0),
                                     ColourValue(0.95, 0.9, 0.82, 1.0), ColourValue(1.0, 1.0, 1.0, 1.0))
        # The two standard sides: what is spawned here flies for "Player".
        scenario.createFactions()
        player = scenario.getFaction("Player")
        enemy = scenario.getFaction("Enemy")
        facingPlayer = Quaternion(0.0, 0.0, 1.0, 0.0)  # half a turn about the vertical
        self.playerShips = Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, 0), Quaternion())
        self.enemyShips = Ship.spawnFleet({"kestrel": 2}, enemy, Vector3(0, 0, -800), facingPlayer)
        self.enemyShips += Ship.spawnFleet({"bastion": 1}, enemy, Vector3(400, -100, -1200), facingPlayer)
        self.playerShips += Ship.spawnFleet({"bastion": 1}, player, Vector3(-400, -100, 300), Quaternion())
        if self.playerShips:
            self.playerShips[0].setFocus(True)
            CameraController.getSingleton().setCameraType(CameraType.CHASE)

    def unload(self):
        pass

    def getName(self):
        return "Test"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return TestScenarioConfig()
