# The skirmish: the play menu loads it and starts the mode, which applies the chosen area,
# creates the two sides and spawns both fleets. Loading it sets up nothing of its own;
# startSkirmish below plays one from a script.
from Tolvarine import *


class SkirmishScenarioConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = []

    def initialise(self):
        pass

    def unload(self):
        pass

    def getName(self):
        return "Skirmish"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return SkirmishScenarioConfig()


# The choices the play menu will offer, at their defaults.
skirmishDefaultArea = "Deep Space"
skirmishDefaultPlayerFleet = {"trifighter": 3}
skirmishDefaultEnemyFleet = {"trifighter": 3}


def startSkirmish(area=None, playerFleet=None, enemyFleet=None):
    """Loads the skirmish and starts a game: the defaults above for anything not given."""
    scenario = ScenarioManager.getSingleton().loadScenario("Skirmish")
    scenario.skirmishStart(area if area is not None else skirmishDefaultArea,
                           playerFleet if playerFleet is not None else skirmishDefaultPlayerFleet,
                           enemyFleet if enemyFleet is not None else skirmishDefaultEnemyFleet)
    return scenario
