#include "ScriptModule.h"

#include "AmbientSoundManager.h"
#include "AreaManager.h"
#include "AsteroidField.h"
#include "CameraController.h"
#include "CapitalShip.h"
#include "Controllable.h"
#include "DebrisSystem.h"
#include "DynamicCollidable.h"
#include "Faction.h"
#include "FreeCamera.h"
#include "GameLog.h"
#include "Interface.h"
#include "MathBindings.h"
#include "Path.h"
#include "Scenario.h"
#include "ScenarioConfig.h"
#include "ScenarioManager.h"
#include "ScenarioTweak.h"
#include "ScriptError.h"
#include "ScriptSystem.h"
#include "Ship.h"
#include "ShipBehaviour.h"
#include "StaticCollidable.h"
#include "TaskBindings.h"
#include "Targetable.h"
#include "TestGround.h"
#include "TutorialWizard.h"
#include "WarpArrival.h"

#include <boost/python/import.hpp>
#include <boost/python/module.hpp>


namespace bp = boost::python;

// The module's body: the script system's own class, then every scripted class in this order.
// Classes that name a base come after it ("CapitalShip" after "Ship"). A class that is not built
// yet keeps its slot as a comment, so that it is added in its place.
BOOST_PYTHON_MODULE(Tolvarine)
{
    using namespace Tolvarine;
    ScriptSystem::exportToPython();
    exportMathTypesToPython();   //  1 Vector3, Quaternion, ColourValue, Radian, Degree
    DynamicCollidable::exportToPython();     //  2 DynamicCollidable
    StaticCollidable::exportToPython();      //  3 StaticCollidable
    Controllable::exportToPython();          //  4 Controllable
    Targetable::exportToPython();            //  5 Targetable
    ShipBehaviour::exportToPython();         //  6 ShipBehaviour
    Ship::exportToPython();                  //  7 Ship
    CapitalShip::exportToPython();           //  8 CapitalShip
    Scenario::exportToPython();              //  9 Scenario
    ScenarioManager::exportToPython();       // 10 ScenarioManager
    ScenarioConfig::exportToPython();        // 11 ScenarioConfig
    ScenarioTweak::exportToPython();         // 12 ScenarioTweak, ComboTweak
    Faction::exportToPython();               // 13 Faction
    Path::exportToPython();                  // 14 Path
    DynamicCollidable::exportLinkToPython(); // 15 OgreLink
    Interface::exportToPython();             // 16 Interface (with InterfaceMode)
    AsteroidField::exportToPython();         // 17 AsteroidField
    DebrisSystem::exportToPython();          // 18 DebrisSystem
    CameraController::exportToPython();      // 19 CameraController (with CameraType)
    FreeCamera::exportToPython();            // 20 FreeCamera (with TargetMode)
    AreaManager::exportToPython();           // 21 AreaManager
    AmbientSoundManager::exportToPython();   // 22 AmbientSoundManager (with AmbientMode)
    WarpArrival::exportToPython();           // 23 WarpArrival
    exportTasksToPython();       // 24 createTask, FunctionTask
    TestGround::exportToPython();            // 25 TestGround
    TutorialWizard::exportToPython();        // 26 startTutorial
}

namespace Tolvarine {

void initTolvarine()
{
    ScriptSystem::getSingleton();
    try {
        bp::import("Tolvarine");
    } catch (const bp::error_already_set&) {
        ScriptError error = ScriptError::fetch();
        GameLog::line(
            "Python exception thrown while starting the module Tolvarine");
        error.logTraceback();
        throw error;
    }
}

} // namespace Tolvarine
