#include "Formation.h"

#include "Config.h"
#include "Faction.h"
#include "FatalError.h"
#include "FormationElement.h"
#include "GameLog.h"
#include "OgreLink.h"
#include "ProfileBlock.h"
#include "Ship.h"
#include "ShipBehaviour.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"

#include <OgreMath.h>
#include <OgreOverlay.h>
#include <OgreOverlayManager.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Tolvarine {

namespace {

const char* const SECTION = "Formation";
const char* const CONFIG_PATH = "cfg/formation.cfg";
// The formation's body sleeps this way when it is dissolved, as a pooled object does at the end of
// a scenario.
const DisableTime DISSOLVED = static_cast<DisableTime>(2);

Ogre::SceneManager& engineSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line("Formation: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

// One ring of slots: `count` points at `radius`, the first at `start` radians, evenly spaced.
template <typename Place>
void ring(const std::vector<FormationElement*>& group, float start, Place place)
{
    float angle = start;
    for (FormationElement* element : group) {
        place(element, angle);
        angle += Ogre::Math::TWO_PI / static_cast<float>(group.size());
    }
}

} // namespace

Formation::Formation(Ogre::SceneManager& sceneManager, const Config& config)
    : DynamicCollidable(sceneManager, "Formation", config, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
    , Controllable(config)
    , forceController(*this, config)
    , freeIcon(requireOverlay(config, "freeIconOverlay"))
    , slavedIcon(requireOverlay(config, "slavedIconOverlay"))
    , modeSubscription("toggle_formation_mode", [this] { toggleMode(); })
    , task([this](float last, float smoothed) { update(last, smoothed); }, "Formation::update", 20)
{
    // Required although nothing reads them yet: a file without them is an old or broken one.
    config.get<float>(SECTION, "minStretchDistance");
    config.get<float>(SECTION, "maxStretchDistance");
    OgreLink* link = getLink();
    link->setTargetable(this);
    link->setControllable(this);
    setInactive(true);
    showIcons();
}

Formation::~Formation()
{
    // Members must not keep a pointer to a formation that is gone.
    if (isActive())
        dissolve();
}

Ogre::Overlay* Formation::requireOverlay(const Config& config, const char* key)
{
    const std::string name = config.get<std::string>(SECTION, key);
    Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr();
    Ogre::Overlay* overlay = overlays ? overlays->getByName(name) : nullptr;
    if (!overlay)
        ValueRange::refuse(config, SECTION, key, "Formation: no overlay \"" + name + "\" for " + key);
    return overlay;
}

Formation& Formation::getFormation()
{
    // Deliberately never destroyed: at exit the scene, the scheduler and the input handler it
    // holds on to go in an order no static destructor can follow.
    static Formation* formation = [] {
        const Config config(CONFIG_PATH, false, false, false);
        return new Formation(engineSceneManager(), config);
    }();
    return *formation;
}

void Formation::registerCommands()
{
    // Built now, so that a broken formation file or a missing icon stops the start-up. The
    // formation lives as long as the program and keeps the key's subscription.
    Formation& formation = getFormation();
    if (!formation.toggleSubscription)
        formation.toggleSubscription = std::make_unique<InputHandler::EnterSubscription>(
            "toggle_formation", [] { getFormation().toggleFormation(); });
}

void Formation::toggleFormation()
{
    if (isActive()) {
        dissolve();
        showIcons();
        return;
    }
    Controllable* focused = Controllable::getFocused();
    Faction* focusedFaction = focused ? focused->getFaction() : nullptr;
    // Without a running scenario or under a faction it does not know, find logs and gives nothing.
    const std::shared_ptr<Faction> side = focusedFaction ? Faction::find(focusedFaction->getName()) : nullptr;
    if (!side) {
        showIcons();
        return;
    }
    ShipBehaviour* leader = nullptr;
    std::vector<ShipBehaviour*> followers;
    for (Ship* ship : side->getShips()) {
        if (static_cast<Controllable*>(ship) == focused)
            leader = &ship->getBehaviour();
        else
            followers.push_back(&ship->getBehaviour());
    }
    if (leader && !followers.empty()) {
        leader->joinFormation(this);
        for (ShipBehaviour* follower : followers)
            follower->joinFormation(this);
        activate(focusedFaction, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
        setControlledMember(leader);
    }
    showIcons();
}

void Formation::activate(Faction* newFaction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
{
    if (isActive())
        dissolve();
    faction = newFaction;
    DynamicCollidable::activate(faction->getId() | getLink()->getFlags(), position, orientation, Ogre::Vector3::ZERO);
    setInactive(false);
    primary.activate(faction);
    secondary.activate(faction);
    relayout();
    showIcons();
}

void Formation::dissolve()
{
    if (!isActive() || dissolving)
        return;
    dissolving = true;
    DynamicCollidable::deactivate(DISSOLVED);
    faction = nullptr;
    primary.deactivate();
    secondary.deactivate();
    const std::set<FormationElement*> leaving = members;
    for (FormationElement* member : leaving)
        member->leaveFormation();
    setInactive(true);
    members.clear();
    controlledMember = nullptr;
    controlledOwner = nullptr;
    dissolving = false;
    showIcons();
}

void Formation::addElement(FormationElement* element)
{
    members.insert(element);
    if (isActive())
        relayout();
}

void Formation::removeElement(FormationElement* element)
{
    element->setSlaved(false);
    members.erase(element);
    // A member that leaves (a dead leader above all) no longer places the formation.
    if (element == controlledMember)
        clearControlledMember(element);
    if (dissolving)
        return;
    if (members.size() < 2)
        dissolve();
    if (isActive())
        relayout();
}

bool Formation::layout(Offsets& offsets)
{
    std::vector<FormationElement*> groups[3];
    float radius[3] = {0.0f, 0.0f, 0.0f};
    for (const auto& entry : offsets) {
        const int role = std::clamp(static_cast<int>(entry.first->getRole()), 0, 2);
        groups[role].push_back(entry.first);
        radius[role] = std::max(radius[role], entry.first->getBoundingRadius());
    }
    const std::vector<FormationElement*>& interceptors = groups[ShipType::INTERCEPTOR];
    const std::vector<FormationElement*>& fighters = groups[ShipType::FIGHTER];
    const std::vector<FormationElement*>& capitals = groups[ShipType::CAPITAL];
    const float ri = radius[ShipType::INTERCEPTOR];
    const float rf = radius[ShipType::FIGHTER];
    const float rc = radius[ShipType::CAPITAL];

    if (capitals.size() > 2) {
        GameLog::line("Too many capital ships in formation");
        return false;
    }
    float inner = 2.5f * ri;
    if (capitals.size() == 1) {
        offsets[capitals[0]] = Ogre::Vector3::ZERO;
        inner = std::max(inner, 2.0f * ri + rc);
    } else if (capitals.size() == 2) {
        offsets[capitals[0]] = -rc * Ogre::Vector3::UNIT_X;
        offsets[capitals[1]] = rc * Ogre::Vector3::UNIT_X;
        inner = std::max(inner, 2.0f * ri + 2.0f * rc);
    }

    float spacing;
    if (capitals.empty() && interceptors.size() == 1) {
        offsets[interceptors[0]] = Ogre::Vector3::ZERO;
        spacing = 2.0f * rf + 3.0f * ri;
    } else {
        spacing = 2.0f * rf + 3.0f * ri + rc;
        ring(interceptors, -Ogre::Math::HALF_PI, [&](FormationElement* element, float angle) {
            offsets[element] = Ogre::Vector3(inner * std::cos(angle), inner * std::sin(angle), 0.0f);
        });
    }
    const float outer = std::max(3.0f * rf, spacing);

    const Ogre::Quaternion tilt(Ogre::Radian(-Ogre::Math::PI / 4.0f), Ogre::Vector3::UNIT_X);
    ring(fighters, Ogre::Math::HALF_PI, [&](FormationElement* element, float angle) {
        offsets[element] = tilt * Ogre::Vector3(outer * std::cos(angle), 0.0f, outer * std::sin(angle));
    });
    return true;
}

void Formation::relayout()
{
    Offsets offsets;
    for (FormationElement* member : members)
        offsets[member] = Ogre::Vector3::ZERO;
    // A refused layout leaves every member at the centre until the membership changes.
    layout(offsets);
    for (const auto& entry : offsets)
        entry.first->setFormationOffset(entry.second);
    if (controlledMember)
        controlledOffset = -controlledMember->getFormationOffset();
}

void Formation::setControlledMember(FormationElement* element)
{
    controlledMember = element;
    controlledOwner = element->getOwner();
    controlledOffset = -element->getFormationOffset();
    DynamicCollidable::getPhysicsBody().setAutoDisable(false);
}

void Formation::clearControlledMember(FormationElement* element)
{
    if (element != controlledMember)
        return;
    controlledMember = nullptr;
    controlledOwner = nullptr;
    DynamicCollidable::getPhysicsBody().setAutoDisable(true);
}

void Formation::toggleMode()
{
    slaved = !slaved;
    for (FormationElement* member : members)
        member->setSlaved(slaved);
    showIcons();
}

void Formation::update(float, float)
{
    if (!isActive() || !controlledOwner)
        return;
    const PhysicsBody& owner = *controlledOwner->getPhysicsBody();
    const Ogre::Quaternion orientation = owner.getOrientation();
    PhysicsBody& body = DynamicCollidable::getPhysicsBody();
    body.setPosition(owner.getPosition() + orientation * controlledOffset);
    body.setOrientation(orientation);
    body.setLinearVelocity(owner.getVelocity());
}

void Formation::showIcons()
{
    if (isActive() && slaved)
        slavedIcon->show();
    else
        slavedIcon->hide();
    if (isActive() && !slaved)
        freeIcon->show();
    else
        freeIcon->hide();
}

Ogre::Vector3 Formation::getPosition() const
{
    return DynamicCollidable::getPhysicsBody().getPosition();
}

Ogre::Quaternion Formation::getOrientation() const
{
    return DynamicCollidable::getPhysicsBody().getOrientation();
}

Ogre::Vector3 Formation::getVelocity() const
{
    return DynamicCollidable::getPhysicsBody().getVelocity();
}

void Formation::addPositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().addPositionListener(listener);
}

void Formation::removePositionListener(PositionListener* listener)
{
    DynamicCollidable::getPhysicsBody().removePositionListener(listener);
}

Ogre::Vector3 Formation::predictPosition(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPosition(t);
}

Ogre::Vector3 Formation::predictPositionWithThrust(float t) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrust(t);
}

Ogre::Vector3 Formation::predictPositionWithThrustFactor(float t, float factor) const
{
    return DynamicCollidable::getPhysicsBody().predictPositionWithThrustFactor(t, factor);
}

float Formation::getBoundingRadius() const
{
    ProfileBlock block("Formation::getBoundingRadius");
    float largest = 0.0f;
    for (FormationElement* member : members)
        largest = std::max(largest, member->getSquaredDistanceToFormation());
    return std::sqrt(largest);
}

void Formation::setTarget(Targetable* target)
{
    // The player's own ship already holds the target: telling it again would come back here.
    const Controllable* focused = Controllable::getFocused();
    for (FormationElement* member : members) {
        if (member->getOwner() != focused)
            member->setTarget(target);
    }
}

void Formation::setFiringPrimary(bool firing)
{
    const Controllable* focused = Controllable::getFocused();
    for (FormationElement* member : members) {
        if (member->getOwner() != focused)
            member->setFiringPrimary(firing);
    }
}

void Formation::setFiringSecondary(bool firing)
{
    const Controllable* focused = Controllable::getFocused();
    for (FormationElement* member : members) {
        if (member->getOwner() != focused)
            member->setFiringSecondary(firing);
    }
}

void Formation::setFocus(bool)
{
    GameLog::line("Formation::setCurrentControllable, should be unreachable >:|");
}

} // namespace Tolvarine
