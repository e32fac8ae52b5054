# The developer's test ground: the nebula sky and its light, in which the test ground
# spawns the ship and projectile types it tries out.
from Tolvarine import *


class TestGroundScenarioConfig(ScenarioConfig):
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

    def unload(self):
        pass

    def getName(self):
        return "TestGround"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return TestGroundScenarioConfig()
