#include "ScriptError.h"

#include "GameLog.h"

#include <boost/python/extract.hpp>
#include <boost/python/import.hpp>
#include <boost/python/object.hpp>

#include <sstream>

namespace bp = boost::python;

namespace Tolvarine {

struct ScriptError::Details {
    bp::object type;      // None when no error was pending
    bp::object value;
    bp::object traceback; // None for an error raised before any Python frame ran
    std::string description;
    std::vector<std::string> lines;
};

namespace {

bp::object adopt(PyObject* reference)
{
    return reference ? bp::object(bp::handle<>(reference)) : bp::object();
}

PyObject* newReferenceOrNull(const bp::object& object)
{
    return object.is_none() ? nullptr : bp::incref(object.ptr());
}

void appendLines(const std::string& text, std::vector<std::string>& lines)
{
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        if (!line.empty())
            lines.push_back(line);
}

// Python's own report of the error, as the interpreter would print it. Formatting can fail in odd
// cases (text that does not encode); the caller then falls back to the exception's type name.
std::vector<std::string> formatReport(const bp::object& type, const bp::object& value,
                                      const bp::object& traceback)
{
    std::vector<std::string> lines;
    try {
        const bp::object chunks =
            bp::import("traceback").attr("format_exception")(type, value, traceback);
        const long count = bp::len(chunks);
        for (long i = 0; i < count; ++i)
            appendLines(bp::extract<std::string>(chunks[i]), lines);
    } catch (const bp::error_already_set&) {
        PyErr_Clear();
        lines.clear();
    }
    return lines;
}

std::string typeName(const bp::object& type)
{
    try {
        return bp::extract<std::string>(type.attr("__name__"));
    } catch (const bp::error_already_set&) {
        PyErr_Clear();
        return "Python error";
    }
}

} // namespace

ScriptError::ScriptError(std::shared_ptr<const Details> details) : details(std::move(details)) {}

ScriptError::~ScriptError() = default;

ScriptError ScriptError::fetch()
{
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value && traceback)
        PyException_SetTraceback(value, traceback);

    auto details = std::make_shared<Details>();
    details->type = adopt(type);
    details->value = adopt(value);
    details->traceback = adopt(traceback);
    if (details->type.is_none()) {
        details->description = "Python error without an exception";
        details->lines.push_back(details->description);
    } else {
        details->lines = formatReport(details->type, details->value, details->traceback);
        details->description = details->lines.empty() ? typeName(details->type) : details->lines.back();
        if (details->lines.empty())
            details->lines.push_back(details->description);
    }
    return ScriptError(std::move(details));
}

const char* ScriptError::what() const noexcept
{
    return details->description.c_str();
}

const std::vector<std::string>& ScriptError::traceback() const
{
    return details->lines;
}

void ScriptError::logTraceback() const
{
    for (const std::string& line : details->lines)
        GameLog::line(line);
}

void ScriptError::restore() const
{
    if (details->type.is_none()) {
        PyErr_SetString(PyExc_RuntimeError, details->description.c_str());
        return;
    }
    PyErr_Restore(newReferenceOrNull(details->type), newReferenceOrNull(details->value),
                  newReferenceOrNull(details->traceback));
}

} // namespace Tolvarine
