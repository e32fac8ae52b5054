#include "OgreLink.h"

#include "ScriptObjectRegistry.h"

#include <OgreAny.h>
#include <OgreMovableObject.h>
#include <OgreUserObjectBindings.h>

namespace Tolvarine {

OgreLink::OgreLink(PhysicsBody* body, bool explosionEffectable, CollisionListener* listener,
                   Targetable* targetable, Controllable* controllable)
    : body(body)
    , explosionEffectable(explosionEffectable && body)
    , listener(listener)
    , targetable(targetable)
    , controllable(controllable)
{
    ScriptObjectRegistry::enter(this);
}

OgreLink::~OgreLink()
{
    ScriptObjectRegistry::leave(this);
}

unsigned long OgreLink::getFlags() const
{
    unsigned long flags = 0;
    if (body)
        flags |= BODY_FLAG;
    if (targetable)
        flags |= TARGETABLE_FLAG;
    if (listener)
        flags |= LISTENER_FLAG;
    if (controllable)
        flags |= CONTROLLABLE_FLAG;
    if (explosionEffectable)
        flags |= EXPLOSION_EFFECTABLE_FLAG;
    return flags;
}

void OgreLink::attachTo(Ogre::MovableObject& object)
{
    object.getUserObjectBindings().setUserAny(Ogre::Any(this));
}

OgreLink* OgreLink::getFrom(const Ogre::MovableObject& object)
{
    const Ogre::Any& any = object.getUserObjectBindings().getUserAny();
    if (!any.has_value() || any.type() != typeid(OgreLink*))
        return nullptr;
    return Ogre::any_cast<OgreLink*>(any);
}

} // namespace Tolvarine
