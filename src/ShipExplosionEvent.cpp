#include "ShipExplosionEvent.h"

#include "CameraEvent.h"
#include "CommandEvent.h"
#include "ComplexExplosionEvent.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "DeactivateEvent.h"
#include "ExplosionManager.h"
#include "GameLog.h"
#include "MultiPoolFactory.h"
#include "ParticleSpray.h"
#include "ParticleSprayEvent.h"
#include "PhysicsBody.h"
#include "SequenceEvent.h"

#include <set>

namespace Tolvarine {

ShipExplosionEvent::LeftOut ShipExplosionEvent::leftOut;

std::shared_ptr<ShipExplosionEvent> ShipExplosionEvent::createEvent(Config& config, const std::string& section)
{
    const std::string type = config.get<std::string>(section, "type");
    if (type == "ParticleSpray")
        return std::make_shared<ParticleSprayEvent>(config, section);
    if (type == "ComplexExplosion")
        return std::make_shared<ComplexExplosionEvent>(config, section);
    if (type == "Camera")
        return std::make_shared<CameraEvent>(config, section);
    if (type == "Sequence")
        return std::make_shared<SequenceEvent>(config, section);
    if (type == "Command")
        return std::make_shared<CommandEvent>(config.get<float>(section, "time"));
    if (type == "Deactivate")
        return std::make_shared<DeactivateEvent>(config.get<float>(section, "time"));
    GameLog::line("Unknown ShipExplosionEvent type: " + type);
    config.logPlace(section, "type");
    throw ConfigurationError();
}

void ShipExplosionEvent::checkNames(const Config&, const std::string&) const
{
}

std::size_t ShipExplosionEvent::effectsRoom()
{
    const ExplosionManager* explosions = ExplosionManager::getSingletonPtr();
    const std::size_t live =
        (explosions ? explosions->getLiveCount() : 0) + ParticleSpray::getPools().getLiveCount();
    return live < MAX_EFFECTS_IN_PLAY ? MAX_EFFECTS_IN_PLAY - live : 0;
}

bool ShipExplosionEvent::compareTime(const std::shared_ptr<ShipExplosionEvent>& a,
                                     const std::shared_ptr<ShipExplosionEvent>& b)
{
    return a->getTime() < b->getTime();
}

void ShipExplosionEvent::reportOnce(const std::string& place, const std::string& text)
{
    static std::set<std::string> reported;
    if (reported.insert(place).second)
        GameLog::line(place + ": " + text + " (said once for the event)");
}

Ogre::Vector3 ShipExplosionEvent::worldPoint(const Controllable& target, const Ogre::Vector3& local)
{
    const PhysicsBody* body = target.getPhysicsBody();
    if (!body)
        return local;
    return body->getPosition() + body->getOrientation() * local;
}

Ogre::Vector3 ShipExplosionEvent::velocityOf(const Controllable& target)
{
    const PhysicsBody* body = target.getPhysicsBody();
    return body ? body->getVelocity() : Ogre::Vector3::ZERO;
}

} // namespace Tolvarine
