#pragma once

#include <boost/python/errors.hpp>
#include <boost/python/object_fwd.hpp>

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {

// A Python error taken out of the interpreter, with its formatted traceback.
//
// It is still the binding's `error_already_set`, so callers that catch that keep working, and it is
// a `std::exception` whose text names the Python error, so an error that reaches the program's
// top-level handler is reported as what it is instead of as an unknown exception.
//
// Taking the error clears the interpreter's error indicator. When the error travels back through a
// Python frame (a script calling into C++ that ran another script), the module's exception
// translator puts the original Python exception back, so the calling script sees the real error.
class ScriptError : public boost::python::error_already_set, public std::exception {
public:
    // Takes the interpreter's pending error and formats its traceback. Works (with a generic
    // description) even when no error is pending.
    static ScriptError fetch();

    ScriptError(const ScriptError&) = default;
    ScriptError& operator=(const ScriptError&) = default;
    ~ScriptError() override;

    // The last line of the Python report, for example "ZeroDivisionError: division by zero".
    const char* what() const noexcept override;

    // The full report, one entry per line, starting with "Traceback (most recent call last):"
    // when the error has a traceback.
    const std::vector<std::string>& traceback() const;

    // Writes the traceback to the program log, one log line per traceback line.
    void logTraceback() const;

    // Makes this error the interpreter's pending error again (it keeps its own copy).
    void restore() const;

private:
    struct Details;
    explicit ScriptError(std::shared_ptr<const Details> details);

    // Shared so that copying the exception (as throwing does) never allocates.
    std::shared_ptr<const Details> details;
};

} // namespace Tolvarine
