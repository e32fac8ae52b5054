#pragma once

#include <OgreColourValue.h>

#include <memory>

namespace Ogre {
class SceneManager;
class SceneNode;
} // namespace Ogre

namespace Tolvarine {

class Config;
class OverlayBillboardSet;

// The one screen-space billboard set that holds the corner marks of every target frame, so that
// all frames of the scene are drawn in one renderable with one draw. The set is the overlay
// billboard set "FrameBillboardSet" on the scene's root node, with the heads-up display's
// "frameMaterial" cut into 4 x 4 cells. The frame colours come from cfg/frames.cfg. Created once
// after the heads-up display, kept for the life of the program; the interface attaches and
// detaches the set with its mode.
class FrameBillboardSet {
public:
    // How a target stands to the player: the index of its frame colour.
    enum Relation { PLAYER = 0, FRIEND = 1, ENEMY = 2 };

    // Reads "frameMaterial" of section "Hud" of hudSettings and "playerColour", "friendColour"
    // and "enemyColour" of section "Frames" of frameSettings (all required: ConfigurationError);
    // an unknown material logs "FrameBillboardSet: unknown material <name>" and the key's place,
    // and throws ConfigurationError.
    FrameBillboardSet(Ogre::SceneManager& scene, const Config& hudSettings, const Config& frameSettings);
    ~FrameBillboardSet();
    FrameBillboardSet(const FrameBillboardSet&) = delete;
    FrameBillboardSet& operator=(const FrameBillboardSet&) = delete;

    // Null when the heads-up display was not made (tools, tests of other parts).
    static FrameBillboardSet* getSingletonPtr();

    OverlayBillboardSet& getBillboardSet() const { return *set; }
    const Ogre::ColourValue& getColour(Relation relation) const { return colours[relation]; }

    // Draws the set (attaches it to the root node) unless it is already attached.
    void attach();
    // Stops drawing it.
    void detach();
    bool isAttached() const;

private:
    static FrameBillboardSet* singleton;

    Ogre::SceneNode* node;
    std::unique_ptr<OverlayBillboardSet> set;
    Ogre::ColourValue colours[3];
};

} // namespace Tolvarine
