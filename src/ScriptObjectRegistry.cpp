#include "ScriptObjectRegistry.h"

#include <unordered_map>

namespace Tolvarine {

namespace {

struct Serials {
    std::uint64_t entered = 0;
    std::uint64_t current = 0;
};

struct Entries {
    std::unordered_map<const void*, Serials> objects;
    std::uint64_t lastSerial = 0;
};

// Never destroyed: objects that outlive the process's static objects may still leave.
Entries& entries()
{
    static auto* const registry = new Entries;
    return *registry;
}

const Serials* find(const void* object)
{
    const auto& objects = entries().objects;
    const auto found = objects.find(object);
    return found == objects.end() ? nullptr : &found->second;
}

} // namespace

void ScriptObjectRegistry::enter(const void* object)
{
    Entries& registry = entries();
    const std::uint64_t serial = ++registry.lastSerial;
    registry.objects[object] = Serials{serial, serial};
}

void ScriptObjectRegistry::leave(const void* object)
{
    entries().objects.erase(object);
}

void ScriptObjectRegistry::beginLife(const void* object)
{
    Entries& registry = entries();
    const auto found = registry.objects.find(object);
    if (found != registry.objects.end())
        found->second.current = ++registry.lastSerial;
}

std::uint64_t ScriptObjectRegistry::serialOf(const void* object)
{
    const Serials* serials = find(object);
    return serials ? serials->current : 0;
}

bool ScriptObjectRegistry::isLive(const void* object, std::uint64_t serial)
{
    return serial != 0 && serialOf(object) == serial;
}

bool ScriptObjectRegistry::wasHandedOn(const void* object, std::uint64_t serial)
{
    const Serials* serials = find(object);
    return serials && serials->entered <= serial && serial < serials->current;
}

} // namespace Tolvarine
