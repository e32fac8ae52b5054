#pragma once

#include "ConfigurationError.h"

#include <OgreColourValue.h>
#include <OgreMaterial.h>
#include <OgreVector.h>

#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Entity;
class Overlay;
class SceneManager;
class SceneNode;
} // namespace Ogre

namespace Tolvarine {

class Config;
class DamageModel;
class FixedTask;
class Targetable;

// A small wireframe model of a ship drawn over the scene: one wireframe mesh per damage component,
// each tinted from the damage colour to the health colour by the component's remaining health,
// turned to show the ship's attitude as the player's own ship sees it. The model is the 3D content
// of an overlay of its own, so its position is in camera space. The heads-up display owns two:
// the player's ship ("SelfDamageWireframe") and the selected target ("TargetDamageWireframe").
//
// Wireframe slots (node and material copy) are made once per component index and reused for
// every later ship; switching ships only makes the entities anew.
class DamageDisplay {
public:
    // One component's wireframe: a node under the display's node, a copy of the template material
    // and, while a component is assigned that has a mesh, an entity.
    class ComponentWireframe {
    public:
        // `name` names the node; the material copy is name + "/Material", the entity name + "/Entity".
        ComponentWireframe(Ogre::SceneNode& parent, const std::string& name, const Ogre::MaterialPtr& templateMaterial);
        ~ComponentWireframe();
        ComponentWireframe(const ComponentWireframe&) = delete;
        ComponentWireframe& operator=(const ComponentWireframe&) = delete;

        // Shows component `index` of the model. A component without a mesh (guided projectiles
        // have none) or whose mesh cannot be loaded leaves the slot empty.
        void setup(const DamageModel& model, unsigned index, const Ogre::ColourValue& damage, const Ogre::ColourValue& health);
        // Destroys the entity; the node and material stay.
        void clear();
        // Tints the material: damage colour at 0, health colour at 1.
        void setHealth(float proportion, const Ogre::ColourValue& damage, const Ogre::ColourValue& health);

        Ogre::Entity* getEntity() const { return entity; }
        Ogre::SceneNode& getNode() const { return *node; }
        const Ogre::MaterialPtr& getMaterial() const { return material; }

    private:
        Ogre::SceneNode* node;
        Ogre::Entity* entity = nullptr;
        Ogre::MaterialPtr material;
    };

    // The refusal of a template material that does not exist, apart so that the owner that took
    // the name from a file can name the file's place.
    class UnknownMaterial : public ConfigurationError {};

    // Reads "zOrder", "healthColour" and "damageColour" of section "Hud" (ConfigurationError when
    // missing); a "zOrder" outside 0 to 650 is logged with its place and refused with
    // ConfigurationError; a template material that does not exist logs "DamageDisplay <name>: no
    // material <material>" and throws UnknownMaterial.
    // The display starts hidden (scale 0).
    DamageDisplay(Ogre::SceneManager& scene, const Config& settings, const std::string& name,
                  const std::string& materialName);
    ~DamageDisplay();
    DamageDisplay(const DamageDisplay&) = delete;
    DamageDisplay& operator=(const DamageDisplay&) = delete;

    // Tints the template with "colour" and scales the model to the ship's wireframe scale.
    void show();
    // Scales the model to nothing; the entities stay.
    void hide();
    bool isShown() const { return shown; }

    // Shows the ship's damage model at "selfWireframePosition" (self) or "targetWireframePosition"
    // and follows its damage. A previous ship's model is let go first. A ship without a model
    // leaves the display empty.
    void setShip(Targetable* ship, bool self);
    // Lets go of the ship and its model; the slots stay for later ships.
    void reset();
    Targetable* getShip() const { return ship; }

    // Turns the model as the focused ship sees the shown ship. Run every frame.
    void update();
    // The model's callback: component `index` changed health.
    void componentDamaged(unsigned index);

    const std::vector<std::unique_ptr<ComponentWireframe>>& getWireframes() const { return wireframes; }
    Ogre::SceneNode& getNode() const { return *node; }
    Ogre::Overlay* getOverlay() const { return overlay; }

private:
    void unsubscribe();

    Ogre::SceneManager& scene;
    const Config& settings;
    std::string name;
    std::vector<std::unique_ptr<ComponentWireframe>> wireframes;
    bool shown = false;
    Ogre::SceneNode* node = nullptr;
    Targetable* ship = nullptr;
    // The model this display is subscribed to, or null.
    DamageModel* model = nullptr;
    Ogre::Overlay* overlay = nullptr;
    Ogre::MaterialPtr templateMaterial;
    Ogre::ColourValue healthColour;
    Ogre::ColourValue damageColour;
    std::unique_ptr<FixedTask> task;
};

} // namespace Tolvarine
