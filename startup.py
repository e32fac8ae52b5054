# Run by the game as the last step of its start-up, from the game's working folder: loads the
# scenario behind the menus, starts the ambient sound of open space and opens the main menu.
from Tolvarine import *

ScenarioManager.getSingleton().loadScenario("Startup")

ambient = AmbientSoundManager.getSingleton()
# None only where the game's sound was left out (worlds that run this script for a test).
if ambient is not None:
    ambient.setBackground("ambient_nl", "ambient_da")
    ambient.setMode(AmbientMode.SPACE, 0)

# The game opens on the main menu; the mode keys wait until a game starts from it.
gameInterface = Interface.getSingleton()
if gameInterface is not None:
    gameInterface.setMode(InterfaceMode.MENU, True)
