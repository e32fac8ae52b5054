#include "Controllable.h"

#include "CameraController.h"
#include "ControllableWrap.h"
#include "GameLog.h"
#include "HudOverlay.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "MovementController.h"
#include "OgreLink.h"
#include "PhysicsBody.h"
#include "WeaponDisplay.h"
#include "WeaponSystem.h"

#include <boost/python/class.hpp>

#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneQuery.h>
#include <OgreSphere.h>

namespace bp = boost::python;

namespace Tolvarine {

Controllable* Controllable::focused = nullptr;
bool Controllable::inputEnabled = true;

namespace {

// The press and release subscriptions of "fire_primary" and "fire_secondary". They are made on
// first use, subscribed, with callbacks that do nothing, and kept: focus only re-binds them to the
// focused object and switches them on and off.
class FireInputs {
public:
    // The subscriptions of the current input handler, or null while there is none. Handles made
    // for an earlier handler hold its symbol numbers, so they are made again for a new one.
    static FireInputs* get()
    {
        static FireInputs* inputs = nullptr;
        InputHandler* handler = InputHandler::getSingletonPtr();
        if (!handler)
            return nullptr;
        if (!inputs || !inputs->belongsTo(*handler)) {
            delete inputs;
            inputs = new FireInputs(*handler);
        }
        return inputs;
    }

    void bindPrimary(Controllable& target)
    {
        primaryPress.setCallback([&target] { target.setFiringPrimary(true); });
        primaryRelease.setCallback([&target] { target.setFiringPrimary(false); });
    }

    void bindSecondary(Controllable& target)
    {
        secondaryPress.setCallback([&target] { target.setFiringSecondary(true); });
        secondaryRelease.setCallback([&target] { target.setFiringSecondary(false); });
    }

    void unbind()
    {
        forEach([](auto& subscription) { subscription.setCallback([] {}); });
    }

    void setPrimaryEnabled(bool enabled)
    {
        primaryPress.setEnabled(enabled);
        primaryRelease.setEnabled(enabled);
    }

    void setSecondaryEnabled(bool enabled)
    {
        secondaryPress.setEnabled(enabled);
        secondaryRelease.setEnabled(enabled);
    }

private:
    explicit FireInputs(InputHandler& handler)
        : handler(&handler)
        , primaryPress("fire_primary", [] {})
        , primaryRelease("fire_primary", [] {})
        , secondaryPress("fire_secondary", [] {})
        , secondaryRelease("fire_secondary", [] {})
    {
    }

    template <typename Operation>
    void forEach(Operation operation)
    {
        operation(primaryPress);
        operation(primaryRelease);
        operation(secondaryPress);
        operation(secondaryRelease);
    }

    // A handler at the same address as an earlier one is told apart by its symbols and by the
    // slots it holds for our subscribed handles.
    bool belongsTo(const InputHandler& current)
    {
        if (&current != handler)
            return false;
        if (!names(primaryPress, "fire_primary") || !names(secondaryPress, "fire_secondary"))
            return false;
        bool slotsHeld = true;
        forEach([&slotsHeld](const auto& subscription) {
            if (subscription.isActive() && !subscription.ownsSlot())
                slotsHeld = false;
        });
        return slotsHeld;
    }

    template <typename Subscription>
    bool names(const Subscription& subscription, const std::string& name) const
    {
        const InputHandler::SymbolNumber symbol = subscription.getSymbol();
        return symbol < handler->symbolCount() && handler->symbolName(symbol) == name;
    }

    const InputHandler* handler;
    InputHandler::EnterSubscription primaryPress;
    InputHandler::ExitSubscription primaryRelease;
    InputHandler::EnterSubscription secondaryPress;
    InputHandler::ExitSubscription secondaryRelease;
};

// The scene query of the select-ahead command, made on first use from the scene manager and
// dropped with it. The program has one scene manager; while it has none, there is nothing ahead.
class SphereQuery : public Ogre::SceneManager::Listener {
public:
    static SphereQuery& get()
    {
        // Never destroyed: a scene manager may still call its listener at the end of the program.
        static SphereQuery* query = new SphereQuery();
        return *query;
    }

    // Runs the query around a point; null when no scene manager exists.
    Ogre::SceneQueryResult* run(const Ogre::Vector3& centre, float radius)
    {
        if (!query && !create())
            return nullptr;
        refreshBounds();
        query->setSphere(Ogre::Sphere(centre, radius));
        return &query->execute();
    }

    void sceneManagerDestroyed(Ogre::SceneManager* source) override
    {
        if (source != sceneManager)
            return;
        sceneManager->destroyQuery(query);
        query = nullptr;
        sceneManager = nullptr;
    }

private:
    bool create()
    {
        Ogre::Root* root = Ogre::Root::getSingletonPtr();
        if (!root || root->getSceneManagers().empty()) {
            GameLog::line("Controllable::querySphereAhead, no scene to search");
            return false;
        }
        sceneManager = root->getSceneManagers().begin()->second;
        query = sceneManager->createSphereQuery(Ogre::Sphere(Ogre::Vector3::ZERO, 0), OgreLink::TARGETABLE_FLAG);
        sceneManager->addListener(this);
        return true;
    }

    // The scene's sphere query tests the world bounding spheres that scene objects keep, and
    // those are brought up to date only for objects drawn in the last frame. Objects outside the
    // view would be found where they were once seen, or around the origin if never seen.
    void refreshBounds() const
    {
        for (const auto& factory : Ogre::Root::getSingleton().getMovableObjectFactories()) {
            for (const auto& entry : sceneManager->getMovableObjects(factory.first)) {
                const Ogre::MovableObject* object = entry.second;
                if ((object->getQueryFlags() & OgreLink::TARGETABLE_FLAG) && object->getParentNode())
                    object->getWorldBoundingSphere(true);
            }
        }
    }

    Ogre::SceneManager* sceneManager = nullptr;
    Ogre::SphereSceneQuery* query = nullptr;
};

Targetable* targetableOf(const Ogre::MovableObject* object)
{
    const OgreLink* link = object ? OgreLink::getFrom(*object) : nullptr;
    return link ? link->getTargetable() : nullptr;
}

WeaponDisplay& weaponDisplay()
{
    return WeaponDisplay::getSingleton();
}

} // namespace

Controllable::Controllable(const Config& config)
    : Targetable(config)
{
}

Controllable::~Controllable()
{
    if (focused != this)
        return;
    // Nothing of the object can be asked any more: only the services let go of it.
    GameLog::line("Controllable destroyed while it had the focus; its controls are released");
    focused = nullptr;
    weaponDisplay().clearPrimaryWeaponSystem();
    weaponDisplay().clearSecondaryWeaponSystem();
    weaponDisplay().clearReticleOverlay();
    if (MovementController* movement = MovementController::getSingletonPtr())
        movement->disableAll();
    CameraController* camera = CameraController::getSingletonPtr();
    if (camera && camera->getCameraTarget() == this)
        camera->clearCameraTarget();
    HudOverlay* hud = HudOverlay::getSingletonPtr();
    if (hud && hud->getSelfWireframe() == this)
        hud->clearSelfWireframe();
    InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr();
    if (sounds && sounds->getControllable() == this)
        sounds->clearControllable();
    if (FireInputs* inputs = FireInputs::get())
        inputs->unbind();
    setInputEnabled(inputEnabled);
}

WeaponSystem* Controllable::getPrimaryWeaponSystem()
{
    return nullptr;
}

WeaponSystem* Controllable::getSecondaryWeaponSystem()
{
    return nullptr;
}

const std::string& Controllable::getName() const
{
    static const std::string noName;
    return noName;
}

void Controllable::destroy()
{
}

void Controllable::setTarget(Targetable*)
{
}

Ogre::Overlay* Controllable::getWeaponOverlay()
{
    return nullptr;
}

void Controllable::setFocus(bool focus)
{
    if (focus && focused != this)
        takeFocus();
    else if (!focus && focused == this)
        releaseFocus();
}

void Controllable::takeFocus()
{
    if (focused)
        focused->setFocus(false);
    focused = this;

    FireInputs* inputs = FireInputs::get();
    if (WeaponSystem* primary = getPrimaryWeaponSystem()) {
        weaponDisplay().setPrimaryWeaponSystem(primary);
        primary->setPlayerControlled(true);
    }
    if (inputs)
        inputs->bindPrimary(*this);
    if (WeaponSystem* secondary = getSecondaryWeaponSystem()) {
        weaponDisplay().setSecondaryWeaponSystem(secondary);
        secondary->setPlayerControlled(true);
    }
    if (inputs)
        inputs->bindSecondary(*this);

    if (MovementController* movement = MovementController::getSingletonPtr())
        movement->setControllable(getForceController());
    if (CameraController* camera = CameraController::getSingletonPtr())
        camera->setCameraTarget(*this);
    if (HudOverlay* hud = HudOverlay::getSingletonPtr())
        hud->setSelfWireframe(this);
    if (Ogre::Overlay* overlay = getWeaponOverlay())
        weaponDisplay().setReticleOverlay(overlay);
    else
        weaponDisplay().clearReticleOverlay();
    if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
        sounds->setControllable(this);
    setInputEnabled(inputEnabled);
}

void Controllable::releaseFocus()
{
    focused = nullptr;

    if (WeaponSystem* primary = getPrimaryWeaponSystem())
        primary->setPlayerControlled(false);
    weaponDisplay().clearPrimaryWeaponSystem();
    if (WeaponSystem* secondary = getSecondaryWeaponSystem())
        secondary->setPlayerControlled(false);
    weaponDisplay().clearSecondaryWeaponSystem();

    // The player's last thrust must not keep pushing the ship once the player has left it.
    if (PhysicsBody* body = getPhysicsBody()) {
        body->setForce(Ogre::Vector3::ZERO);
        body->setTorque(Ogre::Vector3::ZERO);
    }

    if (MovementController* movement = MovementController::getSingletonPtr())
        movement->disableAll();
    if (CameraController* camera = CameraController::getSingletonPtr())
        camera->clearCameraTarget();
    if (HudOverlay* hud = HudOverlay::getSingletonPtr())
        hud->clearSelfWireframe();
    weaponDisplay().clearReticleOverlay();
    if (InstrumentSoundManager* sounds = InstrumentSoundManager::getSingletonPtr())
        sounds->clearControllable();
    setInputEnabled(inputEnabled);
}

void Controllable::setInputEnabled(bool enabled)
{
    if (MovementController* movement = MovementController::getSingletonPtr())
        movement->setEnabled(enabled);
    inputEnabled = enabled;

    FireInputs* inputs = FireInputs::get();
    if (!inputs)
        return;
    inputs->setPrimaryEnabled(enabled && focused && focused->getPrimaryWeaponSystem());
    inputs->setSecondaryEnabled(enabled && focused && focused->getSecondaryWeaponSystem());
}

Targetable* Controllable::querySphereAhead(float radius, float minimumCosine)
{
    const PhysicsBody* body = getPhysicsBody();
    if (!body)
        return nullptr;
    const Ogre::Vector3 position = body->getPosition();
    const Ogre::Vector3 forward = body->getOrientation() * Ogre::Vector3::NEGATIVE_UNIT_Z;

    Ogre::SceneQueryResult* result = SphereQuery::get().run(position, radius);
    if (!result)
        return nullptr;

    Targetable* best = nullptr;
    float bestCosine = minimumCosine;
    for (const Ogre::MovableObject* object : result->movables) {
        Targetable* candidate = targetableOf(object);
        if (!candidate || candidate == this || !candidate->isTargetable())
            continue;
        const float cosine = (candidate->getPosition() - position).normalisedCopy().dotProduct(forward);
        if (cosine > bestCosine) {
            best = candidate;
            bestCosine = cosine;
        }
    }
    return best;
}

void Controllable::exportToPython()
{
    bp::class_<ControllableWrap, boost::noncopyable>("Controllable", bp::no_init)
        .def("setFocus", &Controllable::setFocus)
        // Self-destruction: a ship is broken through and plays its explosion sequence.
        .def("destroy", &Controllable::destroy);
}

} // namespace Tolvarine
