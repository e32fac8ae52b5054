#include "LogCapture.h"
#include "SchedulerFixture.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"

#include <boost/python/extract.hpp>
#include <boost/python/import.hpp>

#include <gtest/gtest.h>

namespace bp = boost::python;

namespace Tolvarine {
namespace {

using Test::LogCapture;
using Test::ManualTicks;

const std::string scriptsFolder = std::string(TOLVARINE_SOURCE_DIR) + "/tests/scripts/";

// One host per process, as the game makes it; PYTHONUNBUFFERED would hide buffered output. The
// scripts' folder is on the import path (shared helpers, source lines in tracebacks).
ScriptSystem& host()
{
    static ScriptSystem* const instance = [] {
        unsetenv("PYTHONUNBUFFERED");
        auto* created = new ScriptSystem();
        initTolvarine();
        created->runString("sys.dont_write_bytecode = True\n");
        created->evaluate("sys.path").attr("insert")(0, scriptsFolder);
        return created;
    }();
    return *instance;
}

// Runs an action that must fail with a script error and returns that error.
template <typename Action> ScriptError expectScriptError(Action action)
{
    try {
        action();
    } catch (const ScriptError& error) {
        return error;
    }
    ADD_FAILURE() << "no script error";
    PyErr_SetString(PyExc_RuntimeError, "missing script error");
    return ScriptError::fetch();
}

// Runs a test script, or a check it defines; they assert in Python, and a failure comes back with
// its traceback.
::testing::AssertionResult runs(const std::string& name, bool evaluate = false)
{
    try {
        evaluate ? (void)host().evaluate(name) : host().runScript(scriptsFolder + name);
    } catch (const ScriptError& error) {
        std::string text;
        for (const std::string& line : error.traceback())
            text += line + "\n";
        return ::testing::AssertionFailure() << name << " failed:\n" << text;
    }
    return ::testing::AssertionSuccess();
}

template <typename T> T evaluated(const std::string& expression) { return bp::extract<T>(host().evaluate(expression)); }

TEST(ScriptSystemTest, ScriptsSeeThePreludeTheMathTypesAndEarlierGlobals)
{
    for (const char* script : {"prelude.py", "math_vector3.py", "math_quaternion.py", "math_colour.py", "math_angles.py",
                               "globals_first.py", "globals_second.py"})
        EXPECT_TRUE(runs(script));
    EXPECT_EQ(evaluated<Ogre::Vector3>("sharedDouble(sharedOrigin)"), Ogre::Vector3(2, 4, 6));
    EXPECT_EQ(ScriptSystem::getSingletonPtr(), &host());
    // The collidables and their link are handed to scripts, never made by them.
    EXPECT_NO_THROW(host().runString(R"(
import Tolvarine
for name in ("DynamicCollidable", "StaticCollidable", "OgreLink", "AsteroidField"):
    try:
        getattr(Tolvarine, name)()
    except RuntimeError:
        continue
    raise AssertionError(name + " was created by a script")
faces = lambda cls: sorted(m for m in dir(cls) if not m.startswith("_"))
assert faces(Tolvarine.DynamicCollidable) == ["activate", "deactivate", "getLink"], faces(Tolvarine.DynamicCollidable)
assert all(faces(getattr(Tolvarine, name)) == [] for name in ("StaticCollidable", "OgreLink", "AsteroidField"))
try:  # without a scheduler, createTask refuses cleanly instead of queueing into nothing
    Tolvarine.createTask(lambda elapsed: True, "Too early", 1.0, 0.0)
except RuntimeError as error:
    assert str(error) == "createTask needs the scheduler", str(error)
else:
    raise AssertionError("createTask without a scheduler must fail")
)"));
    // The module registered its conversions at start; a second start adds nothing and says nothing.
    LogCapture log;
    EXPECT_NO_THROW(initTolvarine());
    for (const std::string& missing : {scriptsFolder + "no_such_script.py", scriptsFolder, std::string()})
        EXPECT_NO_THROW(host().runScript(missing)) << "a missing script is skipped without a word";
    EXPECT_TRUE(log.lines().empty());
}

// Every script name the README gives (its example scenario, the faces it names) is in the module:
// it once named two methods the scenarios do not have, and a modder following it got an
// AttributeError.
TEST(ScriptSystemTest, EveryScriptNameTheReadmeGivesIsInTheModule)
{
    host().evaluate("globals()")["readmePath"] = std::string(TOLVARINE_SOURCE_DIR) + "/README.md";
    EXPECT_TRUE(runs("readme_script_names.py"));
}

// Each way into the interpreter logs its own first line before the traceback, throws the Python
// error's text, clears the error indicator and keeps what ran before the failure.
TEST(ScriptSystemTest, EachEntryLogsItsFailureAndThrowsThePythonError)
{
    const std::string syntaxPath = scriptsFolder + "syntax_error.py", midway = scriptsFolder + "raises_midway.py";
    const std::string script = "Python exception thrown while running script: ", statement = "Python exception throw while executing statement: ";
    const std::tuple<const char*, std::function<void()>, std::string, std::string> rows[] = {
        {"script failing midway", [&] { host().runScript(midway); }, "ZeroDivisionError: division by zero", script + midway},
        {"script with bad syntax", [&] { host().runScript(syntaxPath); }, "SyntaxError: invalid syntax", script + syntaxPath},
        {"unknown name", [] { host().evaluate("undefinedName + 1"); }, "NameError: name 'undefinedName' is not defined",
         statement + "undefinedName + 1"},
        {"statement evaluated", [] { host().evaluate("assigned = 1"); }, "SyntaxError: invalid syntax", statement + "assigned = 1"},
        {"string", [] { host().runString("keptByString = 7\nraise ValueError('bad value')\n"); }, "ValueError: bad value",
         "Traceback (most recent call last):"},
    };
    for (const auto& [name, action, what, firstLine] : rows) {
        SCOPED_TRACE(name);
        LogCapture log;
        const ScriptError error = expectScriptError(action);
        EXPECT_EQ(error.what(), what);
        const std::vector<std::string> lines = log.lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front(), firstLine);
        EXPECT_EQ(lines.back(), what);
        EXPECT_EQ(PyErr_Occurred(), nullptr);
        if (std::string(name) == "script failing midway") {
            EXPECT_EQ(lines[2], "  File \"raises_midway.py\", line 3, in <module>");
            EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), error.traceback());
        }
    }
    EXPECT_EQ(evaluated<std::string>("definedBeforeFailure"), "kept");
    EXPECT_FALSE(evaluated<bool>("'definedAfterFailure' in globals() or 'assigned' in globals()"));
    EXPECT_EQ(evaluated<int>("keptByString"), 7);
    // A script error is also the binding library's error, for callers that catch that.
    EXPECT_THROW(host().runScript(syntaxPath), bp::error_already_set);
    // A script started by a script reports its error to the calling script.
    host().evaluate("globals()")["nestedPath"] = midway;
    ASSERT_TRUE(runs("runs_nested.py"));
    EXPECT_EQ(evaluated<std::string>("nestedCaught"), "division by zero");
}

// Script tasks under a scheduler on a hand-driven clock.
class ScriptTaskTest : public Test::SchedulerFixture {
protected:
    void SetUp() override { host(); }
    // Task scripts name everything "task_...": dropping those takes their tasks off this scheduler.
    void TearDown() override
    {
        host().runString("for name in [name for name in globals() if name.startswith('task_')]:\n"
                         "    del globals()[name]\n"
                         "import gc\ngc.collect()\n");
    }
};

TEST_F(ScriptTaskTest, ScriptCallablesRunAsTasksSayWhetherToGoOnAndMayDropThemselves)
{
    ASSERT_TRUE(runs("task_runs.py"));
    ASSERT_TRUE(runs("task_ends_itself.py"));
    for (const double due : {0.5, 1.0, 1.5, 2.0, 2.5, 3.0})
        passAt(due - work);
    EXPECT_TRUE(runs("task_check_runs()", true));
    EXPECT_TRUE(runs("task_check_ended()", true));
    // A task collected with its cycle leaves the queue; later passes drop its entry.
    EXPECT_TRUE(runs("task_drop_cycle()", true));
    passAt(4.0 - work);
    passAt(5.0 - work);
    // An error in a task's callable is logged and leaves the pass.
    ASSERT_TRUE(runs("task_fails.py"));
    ManualTicks::advance(6.0 - work - scheduler.getTime());
    LogCapture log;
    const ScriptError error = expectScriptError([this] { scheduler.run(); });
    EXPECT_STREQ(error.what(), "ValueError: task failed");
    EXPECT_TRUE(log.contains("Python exception thrown while running task: Failing task"));
    EXPECT_EQ(evaluated<int>("task_failure_runs"), 1);
    EXPECT_FALSE(evaluated<bool>("task_failing.isActive()")) << "a failure stops the task";
    EXPECT_EQ(PyErr_Occurred(), nullptr);
}

} // namespace
} // namespace Tolvarine
