#include "ParticleSprayEvent.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "GameLog.h"
#include "MultiPoolFactory.h"
#include "ParticleSpray.h"

#include <OgreMath.h>

#include <algorithm>

namespace Tolvarine {

namespace {

unsigned readNumber(Config& config, const std::string& section, const std::string& place)
{
    const int number = config.get<int>(section, "number", 1);
    if (number < 0) {
        GameLog::line(place + ": number " + std::to_string(number) + " is negative");
        throw ConfigurationError();
    }
    return static_cast<unsigned>(number);
}

} // namespace

ParticleSprayEvent::ParticleSprayEvent(Config& config, const std::string& section)
    : ShipExplosionEvent(config.get<float>(section, "time"))
    , place("ParticleSprayEvent " + section + " of " + config.getPath())
    , name(config.get<std::string>(section, "name"))
    , number(readNumber(config, section, place))
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
    const unsigned near = ParticleSpray::roomNear(position);
    const unsigned inPlay = static_cast<unsigned>(std::min<std::size_t>(effectsRoom(), number));
    const unsigned started = std::min({number, near, inPlay});
    if (started < number) {
        reportLeftOut(started, near <= inPlay);
        leftOut.sprays += number - started;
    }
    const Ogre::Vector3 velocity = velocityOf(*target);
    for (unsigned i = 0; i < started; ++i) {
        // Each component within the speed either way, drawn as a share of the speed: a span of
        // twice the speed passes the float range from 1.7e38 on, and the spray flew at no number.
        const float x = speed * Ogre::Math::SymmetricRandom();
        const float y = speed * Ogre::Math::SymmetricRandom();
        const float z = speed * Ogre::Math::SymmetricRandom();
        ParticleSpray::spray(name, position, velocity + Ogre::Vector3(x, y, z));
    }
}

void ParticleSprayEvent::reportLeftOut(unsigned started, bool crowded) const
{
    const std::string why = crowded ? "the others would crowd its place past " + std::to_string(ParticleSpray::MAX_NEAR)
                                          + " sprays in play close by"
                                    : "the others would pass the bound of " + std::to_string(MAX_EFFECTS_IN_PLAY)
                                          + " explosions and sprays in play";
    reportOnce(place, std::to_string(started) + " of its " + std::to_string(number) + " sprays started, " + why);
}

} // namespace Tolvarine
