#include "CodeNames.h"

#include "ConfigurationError.h"
#include "GameLog.h"

#include <functional>
#include <string>

namespace Tolvarine {

std::vector<const CodeNames::Name*> CodeNames::all()
{
    std::vector<const Name*> names;
    const auto add = [&names](const auto& list) { names.insert(names.end(), list.begin(), list.end()); };
    add(SOUNDS);
    add(SCREENS);
    add(SCENERY);
    add(PICTURES);
    add(SCENARIOS);
    add(SHIP_TYPES);
    names.push_back(&DIFFICULTY_CURVE);
    return names;
}

void CodeNames::refuse(const Name& name)
{
    GameLog::line(std::string(name.user) + " needs the " + name.kind + " " + name.name + " of " + name.file);
    throw ConfigurationError();
}

void CodeNames::require(const Name& name, const std::function<void()>& lookUp)
{
    try {
        lookUp();
    } catch (const ConfigurationError&) {
        refuse(name);
    }
}

} // namespace Tolvarine
