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
#include <OgreQuaternion.h>
#include <OgreOverlay.h>
#include <OgreOverlayManager.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <vector>

namespace Tolvarine {

namespace {

const char* const SECTION = "Formation";
const char* const CONFIG_PATH = "cfg/formation.cfg";

Ogre::SceneManager& engineSceneManager()
{
    TolvarineEngine* engine = TolvarineEngine::getSingletonPtr();
    if (!engine || !engine->sceneManager) {
        GameLog::line("Formation: the engine has no scene manager");
        throw FatalError();
    }
    return *engine->sceneManager;
}

// The plane of a group's rings in the formation's frame: a slot at angle a on a ring of radius r
// sits at r (cos a across + sin a along); the first slot of a ring is at angle `start`.
struct RingPlane {
    Ogre::Vector3 across;
    Ogre::Vector3 along;
    float start;
};

// Two ships count as apart when their centres are their two radii apart, give or take the
// rounding of the angles (ships exactly touching, like the two capital ships either side of the
// centre, must not count as meeting).
constexpr float TOUCHING = 0.9999f;

// The members of one role and the largest bounding radius among them (0 for none): the bounding
// sphere about a ship's centre holds its whole mesh and its collision geometry, so two ships whose
// centres are their two radii apart cannot touch.
struct Group {
    std::vector<FormationElement*> members;
    float radius = 0.0f;
};

// How many ships of `shipRadius` a ring of `radius` holds with their centres two radii apart (the
// chord between neighbours, 2 radius sin(pi / n), at least 2 shipRadius), at most `wanted`.
std::size_t ringCapacity(float radius, float shipRadius, std::size_t wanted)
{
    if (!(shipRadius > 0.0f))
        return wanted;
    if (radius < shipRadius)
        return 1;
    const double fit = Ogre::Math::PI / std::asin(static_cast<double>(shipRadius) / radius);
    return static_cast<std::size_t>(std::min(std::floor(fit + 1e-4), static_cast<double>(wanted)));
}

// Puts `group` on rings in `plane`, the first of `radius`, each evenly spaced. Unless `grow`, every
// member goes on that first ring; otherwise each ring takes what it holds without two ships
// meeting, and the next ring lies two ship radii further out. Returns the radius of the last ring.
float placeOnRings(const Group& group, float radius, const RingPlane& plane, bool grow, Formation::Offsets& offsets)
{
    std::size_t placed = 0;
    while (placed < group.members.size()) {
        const std::size_t remaining = group.members.size() - placed;
        const std::size_t count = grow ? ringCapacity(radius, group.radius, remaining) : remaining;
        const float step = Ogre::Math::TWO_PI / static_cast<float>(count);
        for (std::size_t i = 0; i < count; ++i) {
            const float angle = plane.start + step * static_cast<float>(i);
            offsets[group.members[placed + i]] = radius * (std::cos(angle) * plane.across + std::sin(angle) * plane.along);
        }
        placed += count;
        if (placed < group.members.size())
            radius += 2.0f * group.radius;
    }
    return radius;
}

// The slots by role. Unless `grow`, with the radii the roles give: inner ring 2.5 Ri (at least
// 2 Ri beyond the capital ships), outer ring at least 3 Rf and 2 Rf + 3 Ri + Rc. With `grow`,
// every ring holds its ships apart and lies clear of all that is inside it, and capital ships
// beyond the two either side of the centre go on rings of their own beyond those two.
void placeGroups(const Group (&groups)[3], bool grow, Formation::Offsets& offsets)
{
    const Group& interceptors = groups[ShipType::INTERCEPTOR];
    const Group& fighters = groups[ShipType::FIGHTER];
    const Group& capitals = groups[ShipType::CAPITAL];
    const float ri = interceptors.radius;
    const float rf = fighters.radius;
    const float rc = capitals.radius;
    // Interceptors across the nose, in the x-y plane from below; capital ships side by side in the
    // x-z plane from the left; fighters in the x-z plane tilted by 45 degrees about x, from the top.
    const RingPlane interceptorRing{Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Y, -Ogre::Math::HALF_PI};
    const RingPlane capitalRing{Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Z, Ogre::Math::PI};
    const Ogre::Quaternion tilt(Ogre::Radian(-Ogre::Math::PI / 4.0f), Ogre::Vector3::UNIT_X);
    const RingPlane fighterRing{Ogre::Vector3::UNIT_X, tilt * Ogre::Vector3::UNIT_Z, Ogre::Math::HALF_PI};

    // `core`: the radius of the sphere that holds the capital ships.
    float core = 0.0f;
    if (capitals.members.size() == 1) {
        offsets[capitals.members[0]] = Ogre::Vector3::ZERO;
        core = rc;
    } else if (!capitals.members.empty()) {
        core = placeOnRings(capitals, rc, capitalRing, grow, offsets) + rc;
    }

    // `reach`: the radius of the sphere that holds the capital ships and the interceptors.
    float spacing;
    float reach = core;
    if (capitals.members.empty() && interceptors.members.size() == 1) {
        offsets[interceptors.members[0]] = Ogre::Vector3::ZERO;
        spacing = 2.0f * rf + 3.0f * ri;
        reach = ri;
    } else {
        spacing = 2.0f * rf + 3.0f * ri + rc;
        const float inner = std::max(2.5f * ri, 2.0f * ri + core);
        if (!interceptors.members.empty())
            reach = std::max(reach, placeOnRings(interceptors, inner, interceptorRing, grow, offsets) + ri);
    }
    float outer = std::max(3.0f * rf, spacing);
    if (grow)
        outer = std::max(outer, reach + rf);
    placeOnRings(fighters, outer, fighterRing, grow, offsets);
}

// True when no two members' slots are closer than their two bounding radii.
bool apart(const Formation::Offsets& offsets)
{
    for (auto a = offsets.begin(); a != offsets.end(); ++a) {
        const float ra = a->first->getBoundingRadius();
        for (auto b = std::next(a); b != offsets.end(); ++b) {
            const float least = TOUCHING * (ra + b->first->getBoundingRadius());
            if (a->second.squaredDistance(b->second) < least * least)
                return false;
        }
    }
    return true;
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
    DynamicCollidable::deactivate(TAKEN_OUT);
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

void Formation::bodyOutOfReach()
{
    dissolve();
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
    Group groups[3];
    for (const auto& entry : offsets) {
        Group& group = groups[std::clamp(static_cast<int>(entry.first->getRole()), 0, 2)];
        group.members.push_back(entry.first);
        group.radius = std::max(group.radius, entry.first->getBoundingRadius());
    }
    const bool taken = groups[ShipType::CAPITAL].members.size() <= 2;
    if (!taken)
        GameLog::line("Too many capital ships in formation");
    // The rings as the roles give them hold about nine fighters or seven interceptors; past that
    // their ships started inside each other, and a fleet of 400 fighters at one place stopped the
    // game for 22 s while the physics met every overlapping pair at once.
    if (taken) {
        placeGroups(groups, false, offsets);
        if (apart(offsets))
            return true;
    }
    placeGroups(groups, true, offsets);
    return taken;
}

void Formation::relayout()
{
    Offsets offsets;
    for (FormationElement* member : members)
        offsets[member] = Ogre::Vector3::ZERO;
    // Three capital ships or more are refused with a line, and still laid out apart.
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
