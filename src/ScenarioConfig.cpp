#include "ScenarioConfig.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "ScenarioTweak.h"
#include "ScriptError.h"

#include <boost/python/class.hpp>
#include <boost/python/extract.hpp>
#include <boost/python/pure_virtual.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreResourceGroupManager.h>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// Declarations and locations go into the group that the scenario created under its name; a
// script that declares before its scenario exists gets a clear error instead of the rendering
// engine's.
Ogre::ResourceGroupManager& scenarioGroups(const std::string& group, const char* operation)
{
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    if (!groups.resourceGroupExists(group)) {
        GameLog::line(std::string("ScenarioConfig::") + operation + ", no resource group " + group);
        throw ConfigurationError();
    }
    return groups;
}

template <typename Result>
struct Extracted {
    static Result from(const bp::object& result) { return bp::extract<Result>(result)(); }
};

template <>
struct Extracted<void> {
    static void from(const bp::object&) {}
};

// The tweak is not owned here: the configuration must keep the Python object alive. A result
// that nothing else holds would be destroyed with the call's result and leave a dangling
// pointer, so it is refused.
template <>
struct Extracted<ScenarioTweak*> {
    static ScenarioTweak* from(const bp::object& result)
    {
        if (result.is_none())
            return nullptr;
        bp::extract<ScenarioTweak*> tweak(result);
        if (!tweak.check()) {
            PyErr_SetString(PyExc_TypeError, "getTweak must return a ScenarioTweak");
            bp::throw_error_already_set();
        }
        if (Py_REFCNT(result.ptr()) <= 1) {
            PyErr_SetString(PyExc_ReferenceError,
                            "getTweak returned a tweak that nothing keeps alive; keep it on the configuration");
            bp::throw_error_already_set();
        }
        return tweak();
    }
};

} // namespace

ScenarioConfig::~ScenarioConfig() = default;

void ScenarioConfig::declareResource(const std::string& name, const std::string& type)
{
    const std::string group = getName();
    auto& groups = scenarioGroups(group, "declareResource");
    for (const Ogre::ResourceGroupManager::ResourceDeclaration& declared : groups.getResourceDeclarationList(group)) {
        if (declared.resourceName == name && declared.resourceType == type)
            return;
    }
    groups.declareResource(name, type, group);
}

void ScenarioConfig::addResourcePath(const std::string& path)
{
    const std::string group = getName();
    auto& groups = scenarioGroups(group, "addResourcePath");
    if (!groups.resourceLocationExists(path, group))
        groups.addResourceLocation(path, "FileSystem", group, false);
}

template <typename Result, typename... Arguments>
Result ScenarioConfigWrap::callOverride(const char* method, Arguments... arguments)
{
    try {
        const bp::override function = get_override(method);
        if (!function) {
            PyErr_SetString(PyExc_NotImplementedError,
                            (std::string("the ScenarioConfig subclass does not define ") + method).c_str());
            bp::throw_error_already_set();
        }
        const bp::object result = function(arguments...);
        return Extracted<Result>::from(result);
    } catch (const bp::error_already_set&) {
        ScriptError error = ScriptError::fetch();
        GameLog::line(std::string("Python exception thrown while calling ScenarioConfig.") + method);
        error.logTraceback();
        throw error;
    }
}

void ScenarioConfigWrap::initialise()
{
    callOverride<void>("initialise");
}

void ScenarioConfigWrap::unload()
{
    callOverride<void>("unload");
}

std::string ScenarioConfigWrap::getName()
{
    return callOverride<std::string>("getName");
}

std::string ScenarioConfigWrap::getEntityPath()
{
    return callOverride<std::string>("getEntityPath");
}

unsigned ScenarioConfigWrap::getNumberTweaks()
{
    return callOverride<unsigned>("getNumberTweaks");
}

ScenarioTweak* ScenarioConfigWrap::getTweak(unsigned index)
{
    return callOverride<ScenarioTweak*>("getTweak", index);
}

void ScenarioConfig::exportToPython()
{
    bp::class_<ScenarioConfigWrap, boost::noncopyable>("ScenarioConfig")
        .def("initialise", bp::pure_virtual(&ScenarioConfig::initialise))
        .def("unload", bp::pure_virtual(&ScenarioConfig::unload))
        .def("getName", bp::pure_virtual(&ScenarioConfig::getName))
        .def("getEntityPath", bp::pure_virtual(&ScenarioConfig::getEntityPath))
        .def("getNumberTweaks", bp::pure_virtual(&ScenarioConfig::getNumberTweaks))
        // Not pure on the script side: called on the base class it reaches the subclass's own.
        .def("getTweak", &ScenarioConfig::getTweak, bp::return_value_policy<bp::reference_existing_object>())
        .def("addResourcePath", &ScenarioConfig::addResourcePath)
        .def("declareResource", &ScenarioConfig::declareResource);
}

} // namespace Tolvarine
