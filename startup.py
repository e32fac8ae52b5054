# Run by the game as the last step of its start-up, from the game's working folder: loads the
# scenario behind the menus.
from Tolvarine import *

ScenarioManager.getSingleton().loadScenario("Startup")
