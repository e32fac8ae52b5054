#pragma once

namespace Ogre {
class MovableObject;
} // namespace Ogre

namespace Tolvarine {

class CollisionListener;
class Controllable;
class PhysicsBody;
class Targetable;

// The link from a scene object back to the game object it shows. Every dynamic collidable puts
// one on its entity, so that a scene query result leads to the object's physics body, its
// Targetable and Controllable faces and its collision listener. The link also gives the query
// flags of the entity, so queries can pick objects by what they are.
//
// None of the pointers is owned; the owner of the link fills in the faces it has.
class OgreLink {
public:
    // Query flag bits, one per face the link has.
    static constexpr unsigned long BODY_FLAG = 2;
    static constexpr unsigned long TARGETABLE_FLAG = 4;
    static constexpr unsigned long LISTENER_FLAG = 8;
    static constexpr unsigned long CONTROLLABLE_FLAG = 16;
    static constexpr unsigned long EXPLOSION_EFFECTABLE_FLAG = 32;
    // Carried by every ship's scene object while it is in play (added by the ship, not the link),
    // so that the AI's neighbour search finds ships only.
    static constexpr unsigned long SHIP_FLAG = 64;

    // Explosions push the object only when asked to and when it has a body to push.
    OgreLink(PhysicsBody* body, bool explosionEffectable, CollisionListener* listener, Targetable* targetable,
             Controllable* controllable);
    // Scripts may hold a link (a ship's "getLink"), which goes with its object: the link enters
    // ScriptObjectRegistry for its life.
    ~OgreLink();
    OgreLink(const OgreLink&) = delete;
    OgreLink& operator=(const OgreLink&) = delete;

    // The OR of the flag bits of the faces that are set.
    unsigned long getFlags() const;

    PhysicsBody* getBody() const { return body; }
    bool isExplosionEffectable() const { return explosionEffectable; }
    CollisionListener* getListener() const { return listener; }
    Targetable* getTargetable() const { return targetable; }
    Controllable* getControllable() const { return controllable; }

    void setListener(CollisionListener* newListener) { listener = newListener; }
    void setTargetable(Targetable* newTargetable) { targetable = newTargetable; }
    void setControllable(Controllable* newControllable) { controllable = newControllable; }

    // Puts the link on a scene object as its user object.
    void attachTo(Ogre::MovableObject& object);
    // The link a scene object carries, or null when it carries none.
    static OgreLink* getFrom(const Ogre::MovableObject& object);

private:
    PhysicsBody* body;
    bool explosionEffectable;
    CollisionListener* listener;
    Targetable* targetable;
    Controllable* controllable;
};

} // namespace Tolvarine
