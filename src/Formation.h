#pragma once

#include "Controllable.h"
#include "DynamicCollidable.h"
#include "FixedTask.h"
#include "FormationForceController.h"
#include "FormationWeaponSystem.h"
#include "InputHandler.h"

#include <OgreVector.h>

#include <map>
#include <memory>
#include <set>

namespace Ogre {
class Overlay;
class SceneManager;
} // namespace Ogre

namespace Tolvarine {

class Config;
class FormationElement;

// The one formation of the program: the player's ship and ships of its side flying together, each
// member holding a slot, an offset in the formation's own frame from its centre. The formation is
// a game object of its own, an invisible body with a pose, a faction and two weapon systems, so
// that cameras, the heads-up display and the movement controller can treat it like any other
// controllable. While the player flies one of its members (the controlled member), a fixed task
// places the formation's body so that this member sits exactly in its slot; the other members'
// AI steers them to their slots.
//
// Members fly free (their AI picks targets in range and fires at will) or slaved (they keep the
// target they were given and fire when the formation fires); the mode survives dissolving and is
// shown by one of two icon overlays while the formation exists.
//
// Built from cfg/formation.cfg: section "Formation" ("minStretchDistance", "maxStretchDistance",
// "freeIconOverlay", "slavedIconOverlay", all required), "MovementController" (the force
// controller's limits), "Targetable" and an optional "Physics". The file gives no mesh and no
// collision geometry: nothing may hit or pick the formation's body.
class Formation : public DynamicCollidable, public Controllable {
public:
    using Offsets = std::map<FormationElement*, Ogre::Vector3>;

    // A missing key or an overlay name the rendering engine does not know is logged, with the key's
    // place in the file, and raises ConfigurationError.
    Formation(Ogre::SceneManager& sceneManager, const Config& config);
    ~Formation() override;

    // The program's formation, built from cfg/formation.cfg on first use. It is never destroyed:
    // at exit the scene, the scheduler and the input it holds on to may be gone already.
    static Formation& getFormation();
    // Binds "toggle_formation" to toggleFormation of the program's formation; once per program.
    static void registerCommands();
    // Dissolves the formation if it exists; otherwise gathers the focused object's faction around
    // it, when there is a faction and a ship to follow it.
    void toggleFormation();

    void activate(Faction* faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation);
    void dissolve();
    // A body the physics can no longer follow dissolves the formation.
    void bodyOutOfReach() override;
    void addElement(FormationElement* element);
    void removeElement(FormationElement* element);

    // Gives every member of `offsets` its slot, by role: interceptors on an inner ring across the
    // nose, fighters on an outer ring tilted by 45 degrees, capital ships at the centre, two either
    // side of it; members of one role take their slots in the map's order. No two members start
    // closer than their two bounding radii: where the rings' own radii would put ships inside
    // each other, each ring takes what it holds, more rings follow further out, and every ring
    // lies clear of all inside it; otherwise the slots stay where the rings' radii put them. With
    // three or more capital ships, logs "Too many capital ships in formation" and returns false,
    // the capital ships beyond two on rings of their own beyond those two.
    static bool layout(Offsets& offsets);
    void relayout();

    // The member the player flies, which the formation follows; the formation's body then stays
    // awake, since nothing but this follows it.
    void setControlledMember(FormationElement* element);
    // Only when `element` is the controlled member: focus already moved to another member
    // releases nothing.
    void clearControlledMember(FormationElement* element);
    FormationElement* getControlledMember() const { return controlledMember; }

    void toggleMode();
    bool isSlaved() const { return slaved; }
    void update(float lastFrameTime, float smoothedFrameTime);
    const std::set<FormationElement*>& getMembers() const { return members; }
    Ogre::Overlay* getFreeIcon() const { return freeIcon; }
    Ogre::Overlay* getSlavedIcon() const { return slavedIcon; }

    // PositionReporter, from the formation's body.
    Ogre::Vector3 getPosition() const override;
    Ogre::Quaternion getOrientation() const override;
    Ogre::Vector3 getVelocity() const override;
    void addPositionListener(PositionListener* listener) override;
    void removePositionListener(PositionListener* listener) override;
    Ogre::Vector3 predictPosition(float t) const override;
    Ogre::Vector3 predictPositionWithThrust(float t) const override;
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float factor) const override;

    // Targetable: the formation reaches as far as its farthest member.
    float getBoundingRadius() const override;
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return faction; }

    // Controllable
    PhysicsBody* getPhysicsBody() override { return &DynamicCollidable::getPhysicsBody(); }
    const PhysicsBody* getPhysicsBody() const override { return &DynamicCollidable::getPhysicsBody(); }
    ForceController* getForceController() override { return &forceController; }
    const ForceController* getForceController() const override { return &forceController; }
    WeaponSystem* getPrimaryWeaponSystem() override { return &primary; }
    WeaponSystem* getSecondaryWeaponSystem() override { return &secondary; }
    // Every member but the controlled one, which the player's own controls already drive.
    void setTarget(Targetable* target) override;
    void setFiringPrimary(bool firing) override;
    void setFiringSecondary(bool firing) override;
    // The formation is never flown itself: its members are.
    void setFocus(bool focus) override;

private:
    void showIcons();
    static Ogre::Overlay* requireOverlay(const Config& config, const char* key);

    FormationForceController forceController;
    Ogre::Overlay* freeIcon;
    Ogre::Overlay* slavedIcon;
    Faction* faction = nullptr;
    std::set<FormationElement*> members;
    Controllable* controlledOwner = nullptr;
    FormationElement* controlledMember = nullptr;
    Ogre::Vector3 controlledOffset = Ogre::Vector3::ZERO;
    FormationWeaponSystem primary;
    FormationWeaponSystem secondary;
    InputHandler::EnterSubscription modeSubscription;
    // "toggle_formation", made by registerCommands once the formation exists.
    std::unique_ptr<InputHandler::EnterSubscription> toggleSubscription;
    FixedTask task;
    bool slaved = false;
    // Set while the members leave on dissolving, so that their leaving does not dissolve again.
    bool dissolving = false;
};

} // namespace Tolvarine
