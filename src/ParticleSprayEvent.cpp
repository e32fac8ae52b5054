#include "ParticleSprayEvent.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "GameLog.h"
#include "MultiPoolFactory.h"
#include "ParticleSpray.h"

#include <OgreMath.h>

namespace Tolvarine {

namespace {

unsigned readNumber(Config& config, const std::string& section)
{
    const int number = config.get<int>(section, "number", 1);
    if (number < 0) {
        GameLog::line("ParticleSprayEvent " + section + ": number " + std::to_string(number) + " is negative");
        throw ConfigurationError();
    }
    if (number > static_cast<int>(ParticleSprayEvent::MAX_NUMBER)) {
        GameLog::line("ParticleSprayEvent " + section + " of " + config.getPath() + ": number " + std::to_string(number)
                      + " is above the limit of " + std::to_string(ParticleSprayEvent::MAX_NUMBER));
        throw ConfigurationError();
    }
    return static_cast<unsigned>(number);
}

} // namespace

ParticleSprayEvent::ParticleSprayEvent(Config& config, const std::string& section)
    : ShipExplosionEvent(config.get<float>(section, "time"))
    , name(config.get<std::string>(section, "name"))
    , number(readNumber(config, section))
    , offset(config.get<Ogre::Vector3>(section, "offset", Ogre::Vector3::ZERO))
    , speed(config.get<float>(section, "speed", 30.0f))
{
}

void ParticleSprayEvent::checkNames(const Config& config, const std::string& section) const
{
    if (!ParticleSpray::getPools().hasType(name)) {
        GameLog::line("ParticleSprayEvent: there is no particle spray type " + name);
        config.logPlace(section, "name");
        throw ConfigurationError();
    }
}

void ParticleSprayEvent::execute(Controllable* target, bool, const Ogre::Vector3& sequenceOffset)
{
    if (!target)
        return;
    const Ogre::Vector3 position = worldPoint(*target, offset + sequenceOffset);
    const Ogre::Vector3 velocity = velocityOf(*target);
    for (unsigned i = 0; i < number; ++i) {
        const float x = Ogre::Math::RangeRandom(-speed, speed);
        const float y = Ogre::Math::RangeRandom(-speed, speed);
        const float z = Ogre::Math::RangeRandom(-speed, speed);
        ParticleSpray::spray(name, position, velocity + Ogre::Vector3(x, y, z));
    }
}

} // namespace Tolvarine
