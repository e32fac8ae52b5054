#include "ShipExplosionSequence.h"

#include "Controllable.h"
#include "Scheduler.h"

namespace Tolvarine {

ShipExplosionSequence::ShipExplosionSequence(const std::string& typeName, float updatePeriod,
                                             float updateVariance)
    : name(typeName)
    , updateTask([this](float elapsed) { return update(elapsed); }, "ShipExplosionSequence::update",
                 updatePeriod, updateVariance)
{
}

MultiPoolFactory<ShipExplosionSequence>& ShipExplosionSequence::getPoolFactory()
{
    static MultiPoolFactory<ShipExplosionSequence> pools;
    return pools;
}

ShipExplosionSequence* ShipExplosionSequence::create(const std::string& typeName,
                                                     Controllable* ship, bool isFocused,
                                                     const Ogre::Vector3& at)
{
    ShipExplosionSequence* sequence = getPoolFactory().create(typeName);
    sequence->start(ship, isFocused, at);
    return sequence;
}

void ShipExplosionSequence::start(Controllable* ship, bool isFocused, const Ogre::Vector3& at)
{
    startTime = static_cast<float>(Scheduler::getSingleton().getTime());
    target = ship;
    focused = isFocused || (ship && ship == Controllable::getFocused());
    offset = at;
    updateTask.subscribe(true);
    // A pooled sequence's task still counts from its previous life.
    updateTask.reset();
}

bool ShipExplosionSequence::update(float)
{
    // No events are loaded yet, so every sequence is over at its first update.
    deactivate();
    return false;
}

void ShipExplosionSequence::deactivate()
{
    target = nullptr;
    updateTask.subscribe(false);
    getPoolFactory().release(this, name);
}

} // namespace Tolvarine
