#include "AsteroidField.h"
#include "CollisionMeshCache.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "DynamicCollidable.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "OgreLink.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "RenderingRoot.h"
#include "Scheduler.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"
#include "StaticCollidable.h"
#include "TestMeshes.h"

#include <boost/python/extract.hpp>
#include <boost/python/import.hpp>
#include <boost/python/object.hpp>

#include <OgreEntity.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace bp = boost::python;

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;

// A collidable whose own deactivation records the time it was given.
class RecordingCollidable : public DynamicCollidable {
public:
    using DynamicCollidable::DynamicCollidable;

    void deactivate(DisableTime time) override
    {
        lastTime = static_cast<int>(time);
        DynamicCollidable::deactivate(time);
    }

    int lastTime = -1;
};

const char* const FACES = R"(
import Tolvarine
for name in ("DynamicCollidable", "StaticCollidable", "OgreLink", "AsteroidField"):
    cls = getattr(Tolvarine, name)
    try:
        cls()
    except RuntimeError:
        pass
    else:
        raise AssertionError(name + " was created by a script")
faces = lambda cls: sorted(m for m in dir(cls) if not m.startswith("_"))
assert faces(Tolvarine.DynamicCollidable) == ["activate", "deactivate", "getLink"], faces(Tolvarine.DynamicCollidable)
for name in ("StaticCollidable", "OgreLink", "AsteroidField"):
    assert faces(getattr(Tolvarine, name)) == [], name
)";

const char* const ROUND_TRIP = R"(
ship.activate(66, Tolvarine.Vector3(1, 2, 3), Tolvarine.Quaternion.IDENTITY, Tolvarine.Vector3(0, 0, 0))
link = ship.getLink()
assert type(link).__name__ == "OgreLink"
assert type(rock).__name__ == "StaticCollidable"
assert type(field).__name__ == "AsteroidField"
ship.deactivate(1)
)";

// The checks run in a child process: the interpreter is process-wide, and another test of the
// same process may have started its own host already. Returns the child's exit code.
int checkScriptFaces()
{
    Test::LogCapture log;
    Test::TemporaryFolder folder;
    Test::RenderingRoot root(Test::RenderingRoot::Kind::Headless);
    Ogre::ResourceGroupManager::getSingleton().createResourceGroup("Core");
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    CollisionMeshCache meshCache;
    Test::createMesh("hull.mesh", "Core", Test::sphereShape(4, 6, 1.0f));
    Test::writeFile(folder.file("ship.cfg"), "[Display]\nmesh = hull.mesh\n");
    const Config type(folder.file("ship.cfg"));
    const auto ship = std::make_shared<RecordingCollidable>(root.sceneManager(), "Ship0", type,
                                                            Vector3::ZERO, Quaternion::IDENTITY);
    try {
        ScriptSystem* host = ScriptSystem::getSingletonPtr();
        if (!host)
            host = new ScriptSystem();
        initTolvarine();
        host->runString(FACES);
        bp::object names = bp::import("__main__").attr("__dict__");
        names["ship"] = std::shared_ptr<DynamicCollidable>(ship);
        names["rock"] = std::make_shared<StaticCollidable>();
        names["field"] = std::make_shared<AsteroidField>();
        host->runString(ROUND_TRIP);

        bool right = true;
        const auto expect = [&right](bool condition, const char* what) {
            if (!condition)
                std::cerr << "not so: " << what << "\n";
            right = right && condition;
        };
        expect(bp::extract<OgreLink*>(names["link"])() == ship->getLink(), "the link is the ship's");
        expect(ship->lastTime == 1, "deactivate reaches the object's own class with its time");
        expect(ship->getEntity()->getQueryFlags() == 66, "activate sets the query flags");
        expect(ship->getSceneNode()->getPosition() == Vector3(1, 2, 3), "activate places the node");
        expect(!ship->getSceneNode()->getParent(), "deactivate takes the node out of the scene");
        return right ? 0 : 1;
    } catch (const ScriptError&) {
        for (const std::string& line : log.lines())
            std::cerr << line << "\n";
        return 2;
    }
}

TEST(CollisionScriptClassesTest, ModuleShowsTheClassesWithTheirFaces)
{
    EXPECT_EXIT(std::_Exit(checkScriptFaces()), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace Tolvarine
