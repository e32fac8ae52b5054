#include "TargetingDoubles.h"

#include "Faction.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"

#include <boost/python.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace Tolvarine::Test {
namespace {

namespace bp = boost::python;

// The script faces run in a child process: the interpreter and its class registrations are
// process-wide, so a test that starts them must not leave them behind for other tests. The child
// registers the three classes in a module of its own, runs its checks and reports by exit code.
class TargetingScriptFaces : public TargetingFixture {
protected:
    [[noreturn]] static void fail(const std::string& message)
    {
        std::fprintf(stderr, "%s\n", message.c_str());
        std::fflush(stderr);
        _exit(1);
    }
    static void check(bool condition, const std::string& message) { condition ? void() : fail(message); }

    // Runs statements in the main namespace; a Python failure ends the child with its traceback.
    static void run(const std::string& statements)
    {
        try {
            ScriptSystem::getSingleton().runString(statements);
        } catch (const ScriptError& error) {
            std::string text = "script failed: " + statements + "\n";
            for (const std::string& line : error.traceback())
                text += line + "\n";
            fail(text);
        }
    }

    static bp::object mainNamespace() { return bp::import("__main__").attr("__dict__"); }

    static void startScripts()
    {
        if (!ScriptSystem::getSingletonPtr())
            new ScriptSystem(), initTolvarine();
    }
};

TEST_F(TargetingScriptFaces, ScriptsFocusShipsReadTargetsAndCannotMakeFactionsWithoutAScenario)
{
    TestShip& a = ship("A");
    TestShip& b = ship("B");
    b.body.setPosition(Ogre::Vector3(1, 2, 3));
    b.body.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
    journal.state = nullptr;

    EXPECT_EXIT(
        {
            startScripts();
            bp::object names = mainNamespace();
            names["ship"] = bp::ptr(static_cast<Controllable*>(&a));
            names["target"] = bp::ptr(static_cast<Targetable*>(&b));
            run("from Tolvarine import Vector3\n"
                "ship.setFocus(True)\n"
                "assert target.getPosition() == Vector3(1, 2, 3), str(target.getPosition())\n"
                "q = target.getOrientation()\n"
                "assert abs(q.w - 0.70710677) < 1e-6 and abs(q.y - 0.70710677) < 1e-6\n");
            // The concrete class's own setFocus ran and did the focusing.
            check(Controllable::getFocused() == &a, "ship not focused");
            check(std::count(journal.entries.begin(), journal.entries.end(), "A.setFocus(true)") == 1,
                  "the ship's own setFocus did not run");
            run("ship.setFocus(False)\n");
            check(Controllable::getFocused() == nullptr, "focus not released");

            const std::size_t freeBefore = Faction::freeIdCount();
            // Without a running scenario the script gets an exception, not a crash.
            Faction::setScenarioLink({});
            run("from Tolvarine import Faction\n"
                "try:\n"
                "    Faction.create('Orphans')\n"
                "    raise AssertionError('created without a scenario')\n"
                "except RuntimeError:\n"
                "    pass\n");
            check(Faction::freeIdCount() == freeBefore, "an id leaked");
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace Tolvarine::Test
