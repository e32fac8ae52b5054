# Survival: the play menu loads it and starts the mode, which applies the chosen area, creates
# the two sides and sends the waves. Loading it sets up nothing of its own;
# startSurvival below plays one from a script.
from Tolvarine import *


class SurvivalScenarioConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = []

    def initialise(self):
        pass

    def unload(self):
        pass

    def getName(self):
        return "Survival"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return SurvivalScenarioConfig()


# The choices the play menu will offer, at their defaults.
survivalDefaultArea = "Cinder Reach"
survivalDefaultPlayerFleet = {"trifighter": 3}


def startSurvival(area=None, playerFleet=None):
    """Loads the survival and starts a game: the defaults above for anything not given."""
    scenario = ScenarioManager.getSingleton().loadScenario("Survival")
    scenario.survivalStart(area if area is not None else survivalDefaultArea,
                           playerFleet if playerFleet is not None else survivalDefaultPlayerFleet)
    return scenario
