#include "DamageDisplay.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "DamageModel.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "Scheduler.h"
#include "Targetable.h"
#include "ValueRange.h"

#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreMaterialManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayManager.h>
#include <OgrePass.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTechnique.h>
#include <OgreTextureUnitState.h>

#include <map>

namespace Tolvarine {

namespace {

// The material's texture, tinted: modulate of the manual colour and the texture.
void tint(const Ogre::MaterialPtr& material, const Ogre::ColourValue& colour)
{
    Ogre::Technique* technique = material->getNumTechniques() ? material->getTechnique(0) : nullptr;
    Ogre::Pass* pass = technique && technique->getNumPasses() ? technique->getPass(0) : nullptr;
    if (!pass || pass->getNumTextureUnitStates() == 0)
        return;
    pass->getTextureUnitState(0)->setColourOperationEx(Ogre::LBX_MODULATE, Ogre::LBS_MANUAL, Ogre::LBS_TEXTURE,
                                                       colour, Ogre::ColourValue::White, 0);
}

// A model tells one subscriber of its damage. Both displays may show the same ship (a targeted
// wingman taken over by the player); whichever subscribed last holds the subscription, and only
// it may end it, or the other display's reset would silence the one still showing the ship.
std::map<const DamageModel*, const DamageDisplay*>& subscriptions()
{
    static std::map<const DamageModel*, const DamageDisplay*> holders;
    return holders;
}

// The graphics engine takes overlay z-orders up to 650; above, a failed assertion of its own aborts
// the program (OGRE 1.12 of Debian 12), and a value below 0 would reach it as one above 65,000.
constexpr int HIGHEST_Z_ORDER = 650;

int readZOrder(const Config& settings, const std::string& display)
{
    const int zOrder = settings.get<int>("Hud", "zOrder");
    if (zOrder < 0 || zOrder > HIGHEST_Z_ORDER)
        ValueRange::refuse(settings, "Hud", "zOrder",
                           "DamageDisplay " + display + ": zOrder " + std::to_string(zOrder) + " is outside 0 to "
                               + std::to_string(HIGHEST_Z_ORDER));
    return zOrder;
}

} // namespace

DamageDisplay::ComponentWireframe::ComponentWireframe(Ogre::SceneNode& parent, const std::string& name,
                                                      const Ogre::MaterialPtr& templateMaterial)
    : node(parent.createChildSceneNode(name))
    , material(templateMaterial->clone(name + "/Material"))
{
    // Lines, not faces: the component is drawn as its wireframe.
    for (Ogre::Technique* technique : material->getTechniques()) {
        for (Ogre::Pass* pass : technique->getPasses())
            pass->setPolygonMode(Ogre::PM_WIREFRAME);
    }
}

DamageDisplay::ComponentWireframe::~ComponentWireframe()
{
    clear();
    Ogre::SceneManager* scene = node->getCreator();
    node->getParentSceneNode()->removeChild(node);
    scene->destroySceneNode(node);
    Ogre::MaterialManager::getSingleton().remove(material);
}

void DamageDisplay::ComponentWireframe::clear()
{
    if (!entity)
        return;
    node->detachAllObjects();
    node->getCreator()->destroyEntity(entity);
    entity = nullptr;
}

void DamageDisplay::ComponentWireframe::setup(const DamageModel& model, unsigned index,
                                              const Ogre::ColourValue& damage, const Ogre::ColourValue& health)
{
    clear();
    node->setPosition(model.getComponentPosition(index));
    const std::string mesh = model.getComponentMesh(index);
    if (mesh.empty())
        return;
    try {
        entity = node->getCreator()->createEntity(node->getName() + "/Entity", mesh);
    } catch (const Ogre::Exception& e) {
        GameLog::line("DamageDisplay: no wireframe for component " + model.getComponentName(index) + ": "
                      + e.getDescription());
        return;
    }
    entity->setMaterial(material);
    entity->setQueryFlags(0);
    node->attachObject(entity);
    setHealth(model.getComponentHealthProportion(index), damage, health);
}

void DamageDisplay::ComponentWireframe::setHealth(float proportion, const Ogre::ColourValue& damage,
                                                  const Ogre::ColourValue& health)
{
    tint(material, damage + (health - damage) * proportion);
}

DamageDisplay::DamageDisplay(Ogre::SceneManager& scene, const Config& settings, const std::string& name,
                             const std::string& materialName)
    : scene(scene)
    , settings(settings)
    , name(name)
{
    const int zOrder = readZOrder(settings, name);
    healthColour = settings.get<Ogre::ColourValue>("Hud", "healthColour");
    damageColour = settings.get<Ogre::ColourValue>("Hud", "damageColour");
    templateMaterial = Ogre::MaterialManager::getSingleton().getByName(materialName);
    if (!templateMaterial) {
        GameLog::line("DamageDisplay " + name + ": no material " + materialName);
        throw UnknownMaterial();
    }
    templateMaterial->load();

    node = scene.createSceneNode(name + "/SceneNode");
    node->setScale(Ogre::Vector3::ZERO);
    overlay = Ogre::OverlayManager::getSingleton().create(name);
    overlay->add3D(node);
    overlay->setZOrder(static_cast<Ogre::ushort>(zOrder));
    overlay->show();
    if (Scheduler::getSingletonPtr())
        task = std::make_unique<FixedTask>([this](float, float) { update(); }, "DamageDisplay", 50);
}

DamageDisplay::~DamageDisplay()
{
    task.reset();
    unsubscribe();
    wireframes.clear();
    if (Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr())
        overlays->destroy(overlay);
    scene.destroySceneNode(node);
}

void DamageDisplay::show()
{
    if (shown)
        return;
    tint(templateMaterial, settings.get<Ogre::ColourValue>("Hud", "colour"));
    if (model)
        node->setScale(Ogre::Vector3(model->getWireframeScale()));
    shown = true;
}

void DamageDisplay::hide()
{
    if (!shown)
        return;
    node->setScale(Ogre::Vector3::ZERO);
    shown = false;
}

void DamageDisplay::unsubscribe()
{
    if (!model)
        return;
    auto& holders = subscriptions();
    const auto holder = holders.find(model);
    if (holder != holders.end() && holder->second == this) {
        model->damageUnsubscribe();
        holders.erase(holder);
    }
    model = nullptr;
}

void DamageDisplay::reset()
{
    unsubscribe();
    ship = nullptr;
    for (const auto& wireframe : wireframes)
        wireframe->clear();
}

void DamageDisplay::setShip(Targetable* newShip, bool self)
{
    DamageModel* newModel = newShip ? newShip->getDamageModel() : nullptr;
    if (!newModel) {
        reset();
        return;
    }
    // The previous model, or this one subscribed anew below, is let go first.
    unsubscribe();
    ship = newShip;
    model = newModel;

    const unsigned count = model->getComponentCount();
    for (unsigned i = 0; i < count; ++i) {
        if (i == wireframes.size()) {
            wireframes.push_back(std::make_unique<ComponentWireframe>(
                *node, name + "/Wireframe" + std::to_string(i), templateMaterial));
        }
        wireframes[i]->setup(*model, i, damageColour, healthColour);
    }
    for (std::size_t i = count; i < wireframes.size(); ++i)
        wireframes[i]->clear();

    if (shown)
        node->setScale(Ogre::Vector3(model->getWireframeScale()));
    node->setPosition(settings.get<Ogre::Vector3>("Hud", self ? "selfWireframePosition" : "targetWireframePosition"));
    model->damageSubscribe([this](unsigned component) { componentDamaged(component); });
    subscriptions()[model] = this;
}

void DamageDisplay::update()
{
    const Controllable* player = Controllable::getFocused();
    if (!shown || !ship || !player)
        return;
    node->setOrientation(player->getOrientation().Inverse() * ship->getOrientation());
}

void DamageDisplay::componentDamaged(unsigned index)
{
    if (!model || index >= model->getComponentCount() || index >= wireframes.size())
        return;
    wireframes[index]->setHealth(model->getComponentHealthProportion(index), damageColour, healthColour);
}

} // namespace Tolvarine
