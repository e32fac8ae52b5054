# Survival: the play menu loads it and starts the mode, which applies the chosen area, creates
# the two sides and sends the waves. Loading it sets up nothing of its own.
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
