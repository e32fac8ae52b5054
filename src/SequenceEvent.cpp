#include "SequenceEvent.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "GameLog.h"
#include "ShipExplosionSequence.h"


namespace Tolvarine {

SequenceEvent::SequenceEvent(Config& config, const std::string& section)
    : ShipExplosionEvent(config.get<float>(section, "time"))
    , name(config.get<std::string>(section, "name"))
    , offset(config.get<Ogre::Vector3>(section, "offset"))
{
}

void SequenceEvent::checkNames(const Config& config, const std::string& section) const
{
    if (!ShipExplosionSequence::isType(name)) {
        GameLog::line("SequenceEvent: there is no explosion sequence type " + name);
        config.logPlace(section, "name");
        throw ConfigurationError();
    }
}

void SequenceEvent::execute(Controllable* target, bool focused, const Ogre::Vector3&)
{
    ShipExplosionSequence::create(name, target, focused, offset);
}

} // namespace Tolvarine
