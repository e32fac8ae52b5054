#include "ComplexExplosionEvent.h"

#include "ComplexExplosion.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "ExplosionManager.h"
#include "GameLog.h"


namespace Tolvarine {

ComplexExplosionEvent::ComplexExplosionEvent(Config& config, const std::string& section)
    : ShipExplosionEvent(config.get<float>(section, "time"))
    , place("ComplexExplosionEvent " + section + " of " + config.getPath())
    , group(config.get<std::string>(section, "group"))
    , offset(config.get<Ogre::Vector3>(section, "offset", Ogre::Vector3::ZERO))
{
}

void ComplexExplosionEvent::checkNames(const Config& config, const std::string& section) const
{
    const ExplosionManager* explosions = ExplosionManager::getSingletonPtr();
    if (explosions && !explosions->hasGroup(group)) {
        GameLog::line("ComplexExplosionEvent: there is no explosion group " + group);
        config.logPlace(section, "group");
        throw ConfigurationError();
    }
}

void ComplexExplosionEvent::execute(Controllable* target, bool, const Ogre::Vector3& sequenceOffset)
{
    if (!target)
        return;
    ExplosionManager& explosions = ExplosionManager::getSingleton();
    const Ogre::Vector3 position = worldPoint(*target, offset + sequenceOffset);
    if (explosions.countNear(position) >= ExplosionManager::MAX_NEAR) {
        reportOnce(place, "its explosion left out, its place already holds " + std::to_string(ExplosionManager::MAX_NEAR)
                              + " explosions in play close by");
        ++leftOut.explosions;
        return;
    }
    if (effectsRoom() == 0) {
        reportOnce(place, "its explosion left out, it would pass the bound of " + std::to_string(MAX_EFFECTS_IN_PLAY)
                              + " explosions and sprays in play");
        ++leftOut.explosions;
        return;
    }
    explosions.createFromGroup(group)->activate(position, velocityOf(*target), ComplexExplosion::Callback());
}

} // namespace Tolvarine
