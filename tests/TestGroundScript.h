#pragma once

namespace Tolvarine::Test {

// The start of a startup.py for whole-game tests that work the test ground from a script: the
// module, the test ground, and helpers to choose its category and item, reach the current
// scenario's two sides, let the AI fly every ship, start a battle close enough to open fire at once,
// count the ships of each side and note a step in "steps.txt", which the test reads while the game
// runs. Nobody flies a ship: a flown ship leaving play opens command mode, which stops the game
// clock and with it the scripts' tasks.
inline constexpr const char* TEST_GROUND_HELPERS = R"(
from Tolvarine import *
import os
ground = TestGround.getSingleton()

def note(text):
    with open("steps.txt", "a") as steps:
        steps.write(text + "\n")

def choose(category, item):
    while ground.getCategoryCaption() != category:
        ground.nextCategory()
    while ground.getItemCaption() != item:
        ground.nextItem()

def sides():
    scenario = ScenarioManager.getSingleton().getCurrentScenario()
    return scenario.getFaction("Player"), scenario.getFaction("Enemy")

def fly():
    for ship in sides()[0].getShipList():
        ship.setFocus(False)
    Interface.getSingleton().setMode(InterfaceMode.NORMAL, False)

def startBattle():
    player, enemy = sides()
    Ship.spawnFleet({"trifighter": 6}, player, Vector3(0, 0, -300), Quaternion())
    Ship.spawnFleet({"kestrel": 6, "bastion": 1}, enemy, Vector3(0, 0, -900), Quaternion(0.0, 0.0, 1.0, 0.0))

def counts():
    return "%d %d" % tuple(len(side.getShipList()) for side in sides())
)";

} // namespace Tolvarine::Test
