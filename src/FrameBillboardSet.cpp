#include "FrameBillboardSet.h"

#include "Config.h"
#include "EffectNames.h"
#include "OverlayBillboardSet.h"

#include <OgreRenderQueue.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Tolvarine {

FrameBillboardSet* FrameBillboardSet::singleton = nullptr;

namespace {

// The set starts with room for eight frames; it doubles when more are on screen.
constexpr unsigned initialPoolSize = 32;
constexpr float cornerSize = 0.04f;

} // namespace

FrameBillboardSet::FrameBillboardSet(Ogre::SceneManager& scene, const Config& hudSettings, const Config& frameSettings)
    : node(scene.getRootSceneNode())
{
    // The billboard set's own refusal of an unknown material names neither the file nor the key.
    const std::string material = EffectNames::material(hudSettings, "Hud", "frameMaterial", "FrameBillboardSet");
    colours[PLAYER] = frameSettings.get<Ogre::ColourValue>("Frames", "playerColour");
    colours[FRIEND] = frameSettings.get<Ogre::ColourValue>("Frames", "friendColour");
    colours[ENEMY] = frameSettings.get<Ogre::ColourValue>("Frames", "enemyColour");

    set = std::make_unique<OverlayBillboardSet>("FrameBillboardSet", initialPoolSize);
    set->setRenderQueueGroup(Ogre::RENDER_QUEUE_OVERLAY);
    set->setQueryFlags(0);
    set->setAutoextend(true);
    set->setDefaultDimensions(cornerSize, cornerSize);
    set->setMaterialName(material);
    set->setTextureStacksAndSlices(4, 4);
    node->attachObject(set.get());
    singleton = this;
}

FrameBillboardSet::~FrameBillboardSet()
{
    detach();
    if (singleton == this)
        singleton = nullptr;
}

FrameBillboardSet* FrameBillboardSet::getSingletonPtr()
{
    return singleton;
}

void FrameBillboardSet::attach()
{
    if (!set->isAttached())
        node->attachObject(set.get());
}

void FrameBillboardSet::detach()
{
    if (set->isAttached())
        set->detachFromParent();
}

bool FrameBillboardSet::isAttached() const
{
    return set->isAttached();
}

} // namespace Tolvarine
