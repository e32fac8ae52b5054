# The scenario behind the menus: the game shows it at start-up, at the end of a mission and at the
# end of the tutorial. A stretch of space in the area "Nebula", with a small wing of each of the
# two standard sides.
#
# Every scenario script runs in the namespace that all scripts share, so its names are its own:
# the configuration class carries the scenario's name.
from Tolvarine import *


class StartupScenarioConfig(ScenarioConfig):
    def __init__(self):
        ScenarioConfig.__init__(self)
        self.tweaks = []

    def initialise(self):
        # The sky, the lights, the sun and the gas giant of the nebula (data/areas/nebula.area).
        AreaManager.getSingleton().loadArea("Nebula")
        # The dust a game's sides bring: fine motes close by, coarse ones further out.
        dust = DebrisSystem.getSingleton()
        for name, lead, reach in (("FineDebrisSystem", 150.0, 200.0), ("CoarseDebrisSystem", 450.0, 600.0)):
            dust.addSystem(name, name)
            dust.setSystemLeadDistance(name, lead)
            dust.setSystemMaxVisibleDistance(name, reach)
        player = Faction.create("Player")
        enemy = Faction.create("Enemy")
        player.addEnemy(enemy)
        enemy.addEnemy(player)
        # Two small wings facing each other a few hundred metres apart; the player flies the lead
        # ship of the first, seen from behind.
        facingEnemy = Quaternion(0.0, 0.0, 1.0, 0.0)  # half a turn about the vertical
        self.playerShips = Ship.spawnFleet({"trifighter": 1}, player, Vector3(0, 0, 0), Quaternion())
        # The wingmen keep off to the side, out of the lead ship's line of fire.
        self.wingShips = Ship.spawnFleet({"trifighter": 1, "kestrel": 2}, player,
                                         Vector3(250, 40, 100), Quaternion())
        self.enemyShips = Ship.spawnFleet({"trifighter": 2, "kestrel": 2}, enemy,
                                          Vector3(0, 0, -600), facingEnemy)
        # A capital ship behind each side's wing, its turrets in reach of the fight between them.
        self.capitalShips = Ship.spawnFleet({"bastion": 1}, player, Vector3(-320, -90, 250), Quaternion())
        self.capitalShips += Ship.spawnFleet({"bastion": 1}, enemy, Vector3(320, -90, -900), facingEnemy)
        if self.playerShips:
            self.playerShips[0].setFocus(True)
            CameraController.getSingleton().setCameraType(CameraType.CHASE)

    def unload(self):
        pass

    def getName(self):
        return "Startup"

    def getEntityPath(self):
        return "data/entities"

    def getNumberTweaks(self):
        return len(self.tweaks)

    def getTweak(self, index):
        return self.tweaks[index]


def getScenarioConfig():
    return StartupScenarioConfig()
