#pragma once

#include <boost/python/object.hpp>

#include <string>

namespace Tolvarine {

// Host of the embedded Python interpreter. Owns the interpreter's main namespace, in which every
// script, statement and expression runs, so that names one script defines stay visible to later
// scripts and expressions. Created once at start-up and never destroyed; the interpreter is never
// finalised.
//
// A Python error leaves every run as a `ScriptError` (a `boost::python::error_already_set` and a
// `std::exception`) after its traceback has been written to the program log.
class ScriptSystem {
public:
    // Starts the interpreter (with the module "Tolvarine" registered for import, unbuffered
    // standard streams and no Python signal handlers) and runs the prelude that every script
    // relies on: sys and os imported, `debug` false and a fixed `timestamp` text.
    ScriptSystem();
    ~ScriptSystem();
    ScriptSystem(const ScriptSystem&) = delete;
    ScriptSystem& operator=(const ScriptSystem&) = delete;

    static ScriptSystem& getSingleton();
    static ScriptSystem* getSingletonPtr();

    // Runs a script file in the main namespace. A file that cannot be opened is skipped without a
    // word; a script error is logged with the path and its traceback and propagates.
    void runScript(const std::string& path);
    // The same for a script the game cannot do without (its start-up script builds the menus):
    // a file that cannot be opened is logged and throws ConfigurationError.
    void runRequiredScript(const std::string& path);

    // Runs statements in the main namespace; a script error is logged (traceback only) and
    // propagates.
    void runString(const std::string& statements);

    // Evaluates one expression in the main namespace; a script error is logged with the expression
    // and its traceback and propagates.
    boost::python::object evaluate(const std::string& expression);

    // Registers the class "ScriptSystem" with the module being started.
    static void exportToPython();

private:
    static ScriptSystem* singleton;

    boost::python::object mainModule;
    boost::python::object mainNamespace;
};

} // namespace Tolvarine
