#include "FrameDisplay.h"

#include "CameraController.h"
#include "Controllable.h"
#include "Faction.h"
#include "FixedTask.h"
#include "FrameBillboardSet.h"
#include "HudOverlay.h"
#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"
#include "Scheduler.h"
#include "ScreenProjection.h"
#include "TargetReadout.h"
#include "Targetable.h"

#include <algorithm>

namespace Tolvarine {

namespace {

std::string makeFrameName()
{
    static unsigned long counter = 0;
    return "Frame_" + std::to_string(counter++);
}

// Corner cells relative to the first cell of a kind, in the order the corners are kept:
// bottom-left, top-left, top-right, bottom-right.
constexpr int cornerCells[4] = {0, 2, 3, 1};

OverlayBillboardSet* sharedSet()
{
    FrameBillboardSet* frames = FrameBillboardSet::getSingletonPtr();
    return frames ? &frames->getBillboardSet() : nullptr;
}

// The read-out belongs to the heads-up display; without it there is nothing to show.
TargetReadout* readout()
{
    return HudOverlay::getSingletonPtr() ? &TargetReadout::getSingleton() : TargetReadout::getSingletonPtr();
}

} // namespace

FrameDisplay::FrameDisplay(int frameType, Targetable* target, const Ogre::Vector3& offset)
    : frameType(frameType)
    , target(target)
    , offset(offset)
    , name(makeFrameName())
{
    // Objects made by tools and tests without a scheduler keep a frame that never moves.
    if (Scheduler::getSingletonPtr())
        task = std::make_unique<FixedTask>([this](float, float) { positionUpdate(); }, "FrameDisplay::positionUpdate", 50);
}

FrameDisplay::~FrameDisplay()
{
    deactivate();
    if (selected) {
        if (TargetReadout* shown = TargetReadout::getSingletonPtr())
            shown->removeSelection();
    }
}

void FrameDisplay::activate()
{
    if (active)
        return;
    active = true;
    createBillboards();
}

void FrameDisplay::deactivate()
{
    if (!active)
        return;
    active = false;
    removeBillboards();
    // A frame switched off measures nothing, so it lets go of its selection: otherwise its
    // read-out would stay on the screen with its last figures frozen, as when the player is handed
    // the ship picked as target (its frame goes off while it is flown), or, for an object out of
    // play, through every later game once its pool has taken it back.
    if (selected)
        setSelected(false);
}

void FrameDisplay::setSelected(bool newSelected)
{
    if (newSelected != selected) {
        if (TargetReadout* shown = readout())
            newSelected ? shown->addSelection() : shown->removeSelection();
    }
    selected = newSelected;
    createBillboards();
}

void FrameDisplay::removeBillboards()
{
    OverlayBillboardSet* set = sharedSet();
    for (OverlayBillboard*& corner : corners) {
        if (corner && set)
            set->removeBillboard(corner);
        corner = nullptr;
    }
}

void FrameDisplay::createBillboards()
{
    if (!active)
        return;
    removeBillboards();
    FrameBillboardSet* frames = FrameBillboardSet::getSingletonPtr();
    if (!frames)
        return;
    OverlayBillboardSet& set = frames->getBillboardSet();
    const int marks = selected ? 8 : 4;
    for (int i = 0; i < marks; ++i) {
        const int first = i < 4 ? frameType : SELECTION_MARKS;
        corners[i] = set.createBillboard(0.0f, 0.0f, 0.0f);
        corners[i]->setTexcoordIndex(static_cast<std::uint16_t>(first + cornerCells[i % 4]));
    }
    const auto& colour = frames->getColour(static_cast<FrameBillboardSet::Relation>(relationToPlayer()));
    for (int i = 0; i < 4; ++i)
        corners[i]->setColour(colour);
    // New marks start at the centre: put them where the frame was last seen until the next update.
    positionUpdate();
}

int FrameDisplay::relationToPlayer() const
{
    const Faction* side = target->getFaction();
    const std::shared_ptr<Faction> player = side ? Faction::find("Player") : nullptr;
    // Without a player side, or for an object of no side, the target is neither ours nor hostile.
    if (!player || !side)
        return FrameBillboardSet::FRIEND;
    return player->relationTo(*side);
}

void FrameDisplay::positionUpdate()
{
    if (!active || !corners[0])
        return;
    CameraController* cameras = CameraController::getSingletonPtr();
    const CameraBase* camera = cameras ? cameras->getCurrentCamera() : nullptr;
    if (!camera)
        return;

    const Ogre::Vector3 point = target->getPosition() + target->getOrientation() * offset;
    float x = 0.0f;
    float y = 0.0f;
    if (ScreenProjection::projectToScreen(*camera, point, x, y)) {
        halfSize = std::max(ScreenProjection::projectedScreenWidth(*camera, point, target->getBoundingRadius()),
                            MINIMUM_HALF_SIZE);
    } else {
        ScreenProjection::screenEdgePoint(*camera, point, x, y);
        halfSize = MINIMUM_HALF_SIZE;
    }
    screenX = x;
    screenY = y;

    const float s = halfSize;
    const Ogre::Vector3 places[4] = {{x - s, y - s, 0.0f}, {x - s, y + s, 0.0f}, {x + s, y + s, 0.0f}, {x + s, y - s, 0.0f}};
    for (std::size_t i = 0; i < corners.size() && corners[i]; ++i)
        corners[i]->setPosition(places[i % 4]);
    if (selected)
        updateReadout();
}

void FrameDisplay::updateReadout() const
{
    const Controllable* player = Controllable::getFocused();
    TargetReadout* shown = TargetReadout::getSingletonPtr();
    if (!shown)
        return;
    // Without a flown ship (command mode) there is nothing to measure from: figures kept from
    // earlier would be stale.
    if (!player) {
        shown->setMeasured(false);
        return;
    }
    Ogre::Vector3 separation = target->getPosition() - player->getPosition();
    const float distance = separation.normalise();
    Ogre::Vector3 closing = target->getVelocity() - player->getVelocity();
    float rate = closing.normalise();
    // Moving towards each other reads negative; a dot product of exactly 0 stays positive.
    if (separation.dotProduct(closing) < 0.0f)
        rate = -rate;
    shown->setDistance(distance);
    shown->setRateOfChange(rate);
    shown->setPosition(screenX * 0.5f + 0.5f + halfSize, 0.5f - screenY * 0.5f);
    shown->setMeasured(true);
}

} // namespace Tolvarine
