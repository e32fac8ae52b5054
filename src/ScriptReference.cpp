#include "ScriptReference.h"

#include "FatalError.h"
#include "GameLog.h"

#include <boost/python/converter/registry.hpp>

#include <string>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* scriptClassOf(const std::type_info& type)
{
    const bp::converter::registration* registration = bp::converter::registry::query(bp::type_info(type));
    return registration && registration->m_class_object ? registration->m_class_object->tp_name : nullptr;
}

} // namespace

ScriptReferenceBase::ScriptReferenceBase(const void* object, const std::type_info& dynamicType,
                                         const std::type_info& staticType)
    : serial(ScriptObjectRegistry::serialOf(object))
{
    // A class of the game's that scripts have no class for is named by the nearest one they have.
    scriptClass = scriptClassOf(dynamicType);
    if (!scriptClass)
        scriptClass = scriptClassOf(staticType);
    if (!scriptClass)
        scriptClass = "game object";
}

bool ScriptReferenceBase::refersToLiveObject(const void* object) const
{
    return !object || ScriptObjectRegistry::isLive(object, serial);
}

void ScriptReferenceBase::refuseGone(const void* object) const
{
    const char* const why = ScriptObjectRegistry::wasHandedOn(object, serial) ? "its pool handed it to another user"
                                                                                : "its types were read again";
    GameLog::line(std::string(scriptClass) + ": the game object this script held is gone (" + why + ")");
    throw FatalError();
}

} // namespace Tolvarine
