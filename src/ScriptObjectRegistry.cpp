#include "ScriptObjectRegistry.h"

#include <unordered_map>

namespace Tolvarine {

namespace {

struct Entries {
    std::unordered_map<const void*, std::uint64_t> serials;
    std::uint64_t lastSerial = 0;
};

// Never destroyed: objects that outlive the process's static objects may still leave.
Entries& entries()
{
    static auto* const registry = new Entries;
    return *registry;
}

} // namespace

void ScriptObjectRegistry::enter(const void* object)
{
    Entries& registry = entries();
    registry.serials[object] = ++registry.lastSerial;
}

void ScriptObjectRegistry::leave(const void* object)
{
    entries().serials.erase(object);
}

std::uint64_t ScriptObjectRegistry::serialOf(const void* object)
{
    const auto& serials = entries().serials;
    const auto found = serials.find(object);
    return found == serials.end() ? 0 : found->second;
}

bool ScriptObjectRegistry::isLive(const void* object, std::uint64_t serial)
{
    return serial != 0 && serialOf(object) == serial;
}

} // namespace Tolvarine
