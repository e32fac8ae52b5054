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
        # The two wings face each other across the view, the player's on the left and the enemy's
        # on the right, each with a capital ship behind it: the menu in the middle of the screen
        # stands over open space between them, with the sun and the gas giant beyond.
        facingRight = Quaternion(0.7071068, 0.0, -0.7071068, 0.0)  # a quarter turn, nose to +x
        facingLeft = Quaternion(0.7071068, 0.0, 0.7071068, 0.0)  # a quarter turn, nose to -x
        self.playerShips = Ship.spawnFleet({"trifighter": 1}, player, Vector3(-110, 15, -250), facingRight)
        # The wingmen keep below the lead ship, out of its line of fire.
        self.wingShips = Ship.spawnFleet({"trifighter": 1, "kestrel": 2}, player,
                                         Vector3(-130, -30, -230), facingRight)
        self.enemyShips = Ship.spawnFleet({"trifighter": 2, "kestrel": 2}, enemy,
                                          Vector3(170, 0, -330), facingLeft)
        # A capital ship behind each side's wing, its turrets in reach of the fight between them.
        self.capitalShips = Ship.spawnFleet({"bastion": 1}, player, Vector3(-340, -90, -650), facingRight)
        self.capitalShips += Ship.spawnFleet({"bastion": 1}, enemy, Vector3(400, -90, -700), facingLeft)
        if self.playerShips:
            self.playerShips[0].setFocus(True)
        # The menus pause the game, so the scene stands still: a fixed view across the gap between
        # the wings rather than a chase view, which would put the player's own hull behind the menu.
        camera = CameraController.getSingleton().setCameraTypeFree()
        camera.setTargetMode(TargetMode.IGNORE)
        camera.setPosition(Vector3(0, 30, 100))
        camera.moveTo(Vector3(0, 30, 100))
        camera.pointAt(Vector3(0, 0, -300))

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
