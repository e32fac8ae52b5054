# The skirmish: the play menu loads it and starts the mode, which applies the chosen area,
# creates the two sides and spawns both fleets. Loading it sets up nothing of its own.
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
