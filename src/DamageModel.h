#pragma once

#include <OgreVector.h>

#include <functional>
#include <string>

namespace Tolvarine {

// The damage state of a targetable object, component by component, as the heads-up display
// shows it: each component's name, wireframe mesh and place, its health and its health as a
// share of its armour. One subscriber (the damage display) is told which component changed.
// Ships and guided projectiles implement it.
class DamageModel {
public:
    // Called with the index of the component whose health changed.
    using Subscriber = std::function<void(unsigned component)>;

    virtual unsigned getComponentCount() const = 0;
    // Indices run from 0 to getComponentCount() - 1.
    virtual std::string getComponentName(unsigned index) const = 0;
    // The name of the mesh drawn as the component's wireframe.
    virtual std::string getComponentMesh(unsigned index) const = 0;
    // Where the component's wireframe sits, in the object's frame.
    virtual Ogre::Vector3 getComponentPosition(unsigned index) const = 0;
    virtual float getComponentHealth(unsigned index) const = 0;
    // Health divided by the component's armour: 1 when whole, 0 when broken.
    virtual float getComponentHealthProportion(unsigned index) const = 0;
    // Scale of the whole damage wireframe.
    virtual float getWireframeScale() const = 0;
    // There is at most one subscriber; a new one replaces the old.
    virtual void damageSubscribe(Subscriber subscriber) = 0;
    virtual void damageUnsubscribe() = 0;
    virtual ~DamageModel() = default;

protected:
    DamageModel() = default;
    DamageModel(const DamageModel&) = default;
    DamageModel& operator=(const DamageModel&) = default;
};

} // namespace Tolvarine
