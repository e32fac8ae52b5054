#include "ScriptSystem.h"

#include "ConfigurationError.h"
#include "FatalError.h"
#include "GameLog.h"
#include "ScriptError.h"
#include "ScriptModule.h"

#include <boost/python/class.hpp>
#include <boost/python/exception_translator.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace bp = boost::python;

namespace Tolvarine {

ScriptSystem* ScriptSystem::singleton = nullptr;

namespace {

// The interpreter reads the script through the C stream; the stream is closed on every way out.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& path) : file(std::fopen(path.c_str(), "r")) {}
    ~ScriptFile()
    {
        if (file)
            std::fclose(file);
    }
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;

    // A directory opens on Linux but cannot be read as a script, so it counts as not openable.
    bool isReadable() const
    {
        struct stat status {};
        return file && fstat(fileno(file), &status) == 0 && !S_ISDIR(status.st_mode);
    }

    std::FILE* get() const { return file; }

private:
    std::FILE* file;
};

// Starts the interpreter once per process. The module must be in the table of built-in modules
// before the interpreter starts. Unbuffered streams keep script output that is written to a pipe:
// the interpreter is never finalised, so buffered output would be lost at exit. Python's signal
// handlers stay out so that an interrupt still ends the program while no script runs.
void startInterpreter()
{
    if (Py_IsInitialized())
        return;
    if (PyImport_AppendInittab("Tolvarine", &PyInit_Tolvarine) == -1) {
        GameLog::line("Could not register the module Tolvarine with the Python interpreter");
        throw FatalError();
    }
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    config.buffered_stdio = 0;
    config.install_signal_handlers = 0;
    const PyStatus status = Py_InitializeFromConfig(&config);
    PyConfig_Clear(&config);
    if (PyStatus_Exception(status)) {
        GameLog::line(std::string("Could not start the Python interpreter: ")
                      + (status.err_msg ? status.err_msg : "unknown reason"));
        throw FatalError();
    }
}

// Takes the pending Python error, logs the caller's line (if any) and the traceback, and returns
// the error for the caller to throw.
ScriptError takeError(const std::string& logLineText)
{
    ScriptError error = ScriptError::fetch();
    if (!logLineText.empty())
        GameLog::line(logLineText);
    error.logTraceback();
    return error;
}

bp::object adoptResult(PyObject* result)
{
    return bp::object(bp::handle<>(result));
}

void restoreInInterpreter(const ScriptError& error)
{
    error.restore();
}

const char* const prelude =
    "import sys\n"
    "import os\n"
    "debug = False\n"
    "timestamp = \"Sun May  1 14:43:49 2005\"\n";

} // namespace

ScriptSystem::ScriptSystem()
{
    if (singleton) {
        GameLog::line("The script system exists already");
        throw FatalError();
    }
    singleton = this;
    try {
        startInterpreter();
        PyObject* main = PyImport_AddModule("__main__");
        if (!main)
            throw takeError("Python exception thrown while looking up the module __main__");
        mainModule = bp::object(bp::handle<>(bp::borrowed(main)));
        mainNamespace = mainModule.attr("__dict__");
        runString(prelude);
    } catch (...) {
        singleton = nullptr;
        throw;
    }
}

ScriptSystem::~ScriptSystem()
{
    singleton = nullptr;
}

ScriptSystem& ScriptSystem::getSingleton()
{
    if (!singleton) {
        GameLog::line("The script system does not exist");
        throw FatalError();
    }
    return *singleton;
}

ScriptSystem* ScriptSystem::getSingletonPtr()
{
    return singleton;
}

void ScriptSystem::runScript(const std::string& path)
{
    const ScriptFile file(path);
    if (!file.isReadable())
        return;
    const std::string fileName = std::filesystem::path(path).filename().string();
    PyObject* result = PyRun_FileExFlags(file.get(), fileName.c_str(), Py_file_input,
                                         mainNamespace.ptr(), mainNamespace.ptr(), 0, nullptr);
    if (!result)
        throw takeError("Python exception thrown while running script: " + path);
    Py_DECREF(result);
}

void ScriptSystem::runRequiredScript(const std::string& path)
{
    if (!ScriptFile(path).isReadable()) {
        GameLog::line("Script " + path + " cannot be opened: the game cannot start without it");
        throw ConfigurationError();
    }
    runScript(path);
}

void ScriptSystem::runString(const std::string& statements)
{
    PyObject* result = PyRun_StringFlags(statements.c_str(), Py_file_input, mainNamespace.ptr(),
                                         mainNamespace.ptr(), nullptr);
    if (!result)
        throw takeError("");
    Py_DECREF(result);
}

bp::object ScriptSystem::evaluate(const std::string& expression)
{
    PyObject* result = PyRun_StringFlags(expression.c_str(), Py_eval_input, mainNamespace.ptr(),
                                         mainNamespace.ptr(), nullptr);
    if (!result)
        throw takeError("Python exception throw while executing statement: " + expression);
    return adoptResult(result);
}

void ScriptSystem::exportToPython()
{
    // A script error raised by a script that a script started goes back into the interpreter as
    // the original Python exception, so the calling script can catch it or report it.
    bp::register_exception_translator<ScriptError>(&restoreInInterpreter);

    bp::class_<ScriptSystem, boost::noncopyable>("ScriptSystem", bp::no_init)
        .def("getSingleton", &ScriptSystem::getSingleton,
             bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("runScript", &ScriptSystem::runScript);
}

} // namespace Tolvarine
