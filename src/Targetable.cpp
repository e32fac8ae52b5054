#include "Targetable.h"

#include "CameraBase.h"
#include "Config.h"
#include "Controllable.h"
#include "FrameDisplay.h"
#include "HudOverlay.h"
#include "MissileBehaviour.h"
#include "TargetableWatch.h"
#include "WeaponSystem.h"

#include <boost/python/class.hpp>

namespace bp = boost::python;

namespace Tolvarine {

Targetable* Targetable::selected = nullptr;

namespace {

const char* const SECTION = "Targetable";
const Ogre::Vector3 DEFAULT_DROP_OFFSET(50, 20, -300);

// The selection that is being made right now. Releasing the previous target runs that object's
// own setSelected, which may call back; a second selection of the same object meanwhile must not
// start over, or the two would release each other without end.
Targetable* selectionInProgress = nullptr;

int frameTypeOf(const std::string& name)
{
    if (name == "Missile")
        return FrameDisplay::MISSILE_FRAME;
    if (name == "None")
        return FrameDisplay::NO_FRAME;
    return FrameDisplay::SHIP_FRAME;
}

template <typename Operation>
void forEachFocusedWeaponSystem(Operation operation)
{
    Controllable* focused = Controllable::getFocused();
    if (!focused)
        return;
    if (WeaponSystem* primary = focused->getPrimaryWeaponSystem())
        operation(*primary);
    if (WeaponSystem* secondary = focused->getSecondaryWeaponSystem())
        operation(*secondary);
}

Ogre::Vector3 positionOf(const Targetable& targetable)
{
    return targetable.getPosition();
}

Ogre::Quaternion orientationOf(const Targetable& targetable)
{
    return targetable.getOrientation();
}

} // namespace

struct Targetable::Frame {
    Ogre::Vector3 frameOffset;
    int frameType;
    Ogre::Vector3 chaseOffset;
    Ogre::Vector3 fixedOffset;
    Ogre::Vector3 dropOffset;
};

Targetable::Frame Targetable::readFrame(const Config& config)
{
    Frame frame;
    frame.frameOffset = config.get<Ogre::Vector3>(SECTION, "frameOffset", Ogre::Vector3::ZERO);
    frame.frameType = frameTypeOf(config.get<std::string>(SECTION, "frameType", std::string("Ship")));
    frame.chaseOffset = config.get<Ogre::Vector3>(SECTION, "chaseOffset");
    frame.fixedOffset = config.get<Ogre::Vector3>(SECTION, "fixedOffset");
    frame.dropOffset = config.get<Ogre::Vector3>(SECTION, "dropOffset", DEFAULT_DROP_OFFSET);
    return frame;
}

void Targetable::checkType(const Config& config)
{
    readFrame(config);
}

void Targetable::checkViewOffsets(const Config& config)
{
    // A missing chase or fixed offset is refused where every targetable's keys are read
    // (checkType); here a missing one has nothing to check.
    CameraBase::readViewOffset(config, SECTION, "chaseOffset", Ogre::Vector3::ZERO);
    CameraBase::readViewOffset(config, SECTION, "fixedOffset", Ogre::Vector3::ZERO);
    CameraBase::readViewOffset(config, SECTION, "dropOffset", DEFAULT_DROP_OFFSET);
}

Targetable::Targetable(const Config& config)
{
    const Frame frame = readFrame(config);
    frameDisplay = std::make_unique<FrameDisplay>(frame.frameType, this, frame.frameOffset);
    chaseOffset = frame.chaseOffset;
    fixedOffset = frame.fixedOffset;
    dropOffset = frame.dropOffset;
}

Targetable::~Targetable()
{
    MissileBehaviour::releaseTarget(this);
    frameDisplay->deactivate();
    if (selected == this)
        releaseSelection();
    if (selectionInProgress == this)
        selectionInProgress = nullptr;
    // The pools announce their objects before they delete them; this is for whatever is deleted
    // otherwise (a script's own Controllable, dropped by the script; a formation). A holder that
    // kept it (a camera a script handed it to while another camera was current) would read freed
    // memory at its next frame.
    TargetableWatch::tellAll(*this);
}

void Targetable::announceDeletion()
{
    setSelected(false);
    MissileBehaviour::releaseTarget(this);
    TargetableWatch::tellAll(*this);
}

void Targetable::announceHandOut()
{
    // The holders let go as of an object that is deleted: none of them may reach the next user.
    announceDeletion();
}

bool Targetable::isTargetable()
{
    return true;
}

float Targetable::getThreatRangeSquared()
{
    return 0.0f;
}

void Targetable::addThreat(GuidedProjectile*)
{
}

void Targetable::removeThreat(GuidedProjectile*)
{
}

void Targetable::setPendingVector(const Ogre::Vector3&)
{
}

void Targetable::setPendingObject(Controllable*)
{
}

bool Targetable::isValidTarget()
{
    return true;
}

void Targetable::setSelected(bool select)
{
    if (!select) {
        if (selected == this)
            releaseSelection();
        return;
    }
    if (selected == this || selectionInProgress == this)
        return;

    Targetable* const outerSelection = selectionInProgress;
    selectionInProgress = this;
    if (selected)
        selected->setSelected(false);
    selected = this;
    frameDisplay->setSelected(true);
    if (HudOverlay* hud = HudOverlay::getSingletonPtr())
        hud->setTargetWireframe(this);
    forEachFocusedWeaponSystem([this](WeaponSystem& system) { system.setTarget(this); });
    selectionInProgress = outerSelection;
}

void Targetable::releaseSelection()
{
    selected = nullptr;
    frameDisplay->setSelected(false);
    if (HudOverlay* hud = HudOverlay::getSingletonPtr())
        hud->clearTargetWireframe();
    forEachFocusedWeaponSystem([](WeaponSystem& system) { system.clearTarget(); });
}

void Targetable::setInactive(bool newInactive)
{
    inactive = newInactive;
    // A pooled object that enters play again is another ship (or missile): missiles fired at its
    // earlier life must not follow it there. One that leaves play is chased on to where it was,
    // but a holder that would otherwise act on the pool's next user of it lets go of it now.
    if (inactive)
        TargetableWatch::tellLeavingPlay(*this);
    else
        MissileBehaviour::releaseTarget(this);
    setSelected(false);
}

void Targetable::exportToPython()
{
    bp::class_<Targetable, boost::noncopyable>("Targetable", bp::no_init)
        .def("getPosition", &positionOf)
        .def("getOrientation", &orientationOf);
}

} // namespace Tolvarine
