#include "LogCapture.h"
#include "ManualTicks.h"
#include "Scheduler.h"
#include "SchedulerFixture.h"
#include "ScriptError.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"

#include <boost/python/extract.hpp>

#include <OgreVector.h>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bp = boost::python;
using Tolvarine::ScriptError;
using Tolvarine::ScriptSystem;
using Tolvarine::Test::LogCapture;
using Tolvarine::Test::ManualTicks;

namespace {

const std::string scriptsFolder = std::string(TOLVARINE_SOURCE_DIR) + "/tests/scripts/";

// One host per process, as the game makes it; PYTHONUNBUFFERED would hide buffered output. The
// scripts' folder is on the import path (shared helpers, source lines in tracebacks).
ScriptSystem& host()
{
    static ScriptSystem* const instance = [] {
        unsetenv("PYTHONUNBUFFERED");
        auto* created = new ScriptSystem();
        Tolvarine::initTolvarine();
        created->runString("sys.dont_write_bytecode = True\n");
        created->evaluate("sys.path").attr("insert")(0, scriptsFolder);
        return created;
    }();
    return *instance;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Runs a test script, which asserts in Python; a failed assertion comes back with its traceback.
::testing::AssertionResult runs(const std::string& name)
{
    const std::string path = scriptsFolder + name;
    if (!std::filesystem::is_regular_file(path))
        return ::testing::AssertionFailure() << "missing test script " << path;
    try {
        host().runScript(path);
    } catch (const ScriptError& error) {
        return ::testing::AssertionFailure() << name << " failed:\n" << joined(error.traceback());
    }
    return ::testing::AssertionSuccess();
}

// Evaluates a check written in a test script, which asserts in Python.
::testing::AssertionResult checks(const std::string& expression)
{
    try {
        host().evaluate(expression);
    } catch (const ScriptError& error) {
        return ::testing::AssertionFailure() << expression << " failed:\n" << joined(error.traceback());
    }
    return ::testing::AssertionSuccess();
}

template <typename T>
T evaluated(const std::string& expression)
{
    return bp::extract<T>(host().evaluate(expression));
}

// Runs an action that must fail with a script error and returns that error.
template <typename Action>
ScriptError expectScriptError(Action action)
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

} // namespace

TEST(ScriptSystemTest, ScriptsSeeThePreludeTheMathTypesAndEarlierGlobals)
{
    for (const char* script : {"prelude.py", "math_vector3.py", "math_quaternion.py", "math_colour.py",
                               "math_angles.py", "globals_first.py", "globals_second.py"})
        EXPECT_TRUE(runs(script));
    EXPECT_EQ(evaluated<Ogre::Vector3>("sharedDouble(sharedOrigin)"), Ogre::Vector3(2, 4, 6));
    EXPECT_EQ(ScriptSystem::getSingletonPtr(), &host());
    // The module registered its conversions at start; a second start adds nothing and says nothing.
    LogCapture log;
    EXPECT_NO_THROW(Tolvarine::initTolvarine());
    // A missing script is skipped without a word.
    for (const std::string& missing : {scriptsFolder + "no_such_script.py", scriptsFolder, std::string()})
        EXPECT_NO_THROW(host().runScript(missing));
    EXPECT_TRUE(log.lines().empty());
}

// Each way into the interpreter logs its own first line before the traceback, throws the Python
// error's text, clears the error indicator and keeps what ran before the failure.
TEST(ScriptSystemTest, EachEntryLogsItsFailureAndThrowsThePythonError)
{
    const std::string syntaxPath = scriptsFolder + "syntax_error.py", midway = scriptsFolder + "raises_midway.py";
    struct Row { const char* name; std::function<void()> action; std::string what, firstLine; };
    const Row rows[] = {
        {"script failing midway", [&] { host().runScript(midway); }, "ZeroDivisionError: division by zero",
         "Python exception thrown while running script: " + midway},
        {"script with bad syntax", [&] { host().runScript(syntaxPath); }, "SyntaxError: invalid syntax",
         "Python exception thrown while running script: " + syntaxPath},
        {"unknown name", [] { host().evaluate("undefinedName + 1"); },
         "NameError: name 'undefinedName' is not defined",
         "Python exception throw while executing statement: undefinedName + 1"},
        {"statement evaluated", [] { host().evaluate("assigned = 1"); }, "SyntaxError: invalid syntax",
         "Python exception throw while executing statement: assigned = 1"},
        {"string", [] { host().runString("keptByString = 7\nraise ValueError('bad value')\n"); },
         "ValueError: bad value", "Traceback (most recent call last):"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        const ScriptError error = expectScriptError(row.action);
        EXPECT_EQ(error.what(), row.what);
        const std::vector<std::string> lines = log.lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front(), row.firstLine);
        EXPECT_EQ(lines.back(), row.what);
        EXPECT_EQ(PyErr_Occurred(), nullptr);
        if (std::string(row.name) == "script failing midway") {
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

// The interpreter is never finalised, so nothing flushes script output at exit: it must reach a
// pipe at once. The child ends without any clean-up, as a crashed or exited game would.
TEST(ScriptSystemTest, ScriptOutputReachesAPipeWithoutAFlush)
{
    host();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        close(ends[0]);
        close(ends[1]);
        try {
            host().runString("print('written by a script')\nsys.stdout.write('no line end')\n");
        } catch (...) {
            _exit(2);
        }
        _exit(0);
    }
    close(ends[1]);
    std::string output;
    char buffer[256];
    ssize_t count;
    while ((count = read(ends[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(count));
    close(ends[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(output, "written by a script\nno line end");
}

// Script tasks under a scheduler on a hand-driven clock.
class ScriptTaskTest : public Tolvarine::Test::SchedulerFixture {
protected:
    void SetUp() override { host(); }

    // Task scripts name everything "task_...": dropping those takes their tasks off this scheduler.
    void TearDown() override
    {
        host().runString("for name in [name for name in globals() if name.startswith('task_')]:\n"
                         "    del globals()[name]\n"
                         "import gc\n"
                         "gc.collect()\n");
    }
};

TEST_F(ScriptTaskTest, ScriptCallablesRunAsTasksSayWhetherToGoOnAndMayDropThemselves)
{
    ASSERT_TRUE(runs("task_runs.py"));
    ASSERT_TRUE(runs("task_ends_itself.py"));
    for (const double due : {0.5, 1.0, 1.5, 2.0, 2.5, 3.0})
        passAt(due - work);
    EXPECT_TRUE(checks("task_check_runs()"));
    EXPECT_TRUE(checks("task_check_ended()"));

    // A task collected with its cycle leaves the queue; later passes drop its entry.
    EXPECT_TRUE(checks("task_drop_cycle()"));
    passAt(4.0 - work);
    passAt(5.0 - work);
}

TEST_F(ScriptTaskTest, ErrorInTaskCallableIsLoggedAndLeavesThePass)
{
    ASSERT_TRUE(runs("task_fails.py"));
    ManualTicks::advance(1.0 - work - scheduler.getTime());
    LogCapture log;
    const ScriptError error = expectScriptError([this] { scheduler.run(); });

    EXPECT_STREQ(error.what(), "ValueError: task failed");
    EXPECT_TRUE(log.contains("Python exception thrown while running task: Failing task"));
    EXPECT_EQ(evaluated<int>("task_failure_runs"), 1);
    EXPECT_EQ(PyErr_Occurred(), nullptr);
}

TEST(ScriptTaskWithoutSchedulerTest, CreateTaskRefusesCleanly)
{
    ASSERT_EQ(Tolvarine::Scheduler::getSingletonPtr(), nullptr);
    EXPECT_TRUE(runs("task_without_scheduler.py"));
}
