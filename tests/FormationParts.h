#pragma once

#include "Config.h"
#include "Controllable.h"
#include "ConfigFiles.h"
#include "Formation.h"
#include "FormationElement.h"

#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Tolvarine::Test {

// The formation's file with test values, the two icon overlays it names and the formation built
// from them in a test scene. The free icon's name can be one the rendering engine does not know.
class FormationParts {
public:
    FormationParts(Ogre::SceneManager& scene, const std::string& path, const std::string& freeIcon = "FreeIcon")
        : overlays(Ogre::OverlayManager::getSingletonPtr() ? nullptr : std::make_unique<Ogre::OverlaySystem>())
        , config(written(path, freeIcon))
        , formation(scene, config)
    {
    }

    static std::string text(const std::string& freeIcon)
    {
        return "[Formation]\nminStretchDistance = 50\nmaxStretchDistance = 400\n"
               "freeIconOverlay = " + freeIcon + "\nslavedIconOverlay = SlavedIcon\n"
               "[MovementController]\nmaxForce = 100\nmaxTorque = 5\n"
               "[Targetable]\nframeType = None\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n"
               "[Physics]\nmass = 1\n";
    }

    std::unique_ptr<Ogre::OverlaySystem> overlays;
    Config config;
    Formation formation;

private:
    static std::string written(const std::string& path, const std::string& freeIcon)
    {
        Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
        for (const char* name : {"FreeIcon", "SlavedIcon"}) {
            if (!manager.getByName(name))
                manager.create(name);
        }
        writeFile(path, text(freeIcon));
        return path;
    }
};

// A formation member of a role and size that records what the formation tells it; it joins and
// leaves as a ship's AI does.
class Member : public FormationElement {
public:
    Member(std::vector<std::string>& journal, std::string name, ShipType::Role role, float radius)
        : journal(journal), name(std::move(name)), role(role), radius(radius)
    {
    }

    ShipType::Role getRole() const override { return role; }
    void setFormationOffset(const Ogre::Vector3& vector) override { offset = vector; }
    const Ogre::Vector3& getFormationOffset() const override { return offset; }
    float getSquaredDistanceToFormation() const override { return distanceSquared; }
    float getBoundingRadius() const override { return radius; }
    // As a ship's AI does, the player's own ship hands its pick on to the formation.
    void setTarget(Targetable* newTarget) override
    {
        target = newTarget;
        journal.push_back("target " + name);
        if (formation && owner && Controllable::getFocused() == owner && journal.size() < 100)
            formation->setTarget(newTarget);
    }
    void clearTarget() override { target = nullptr; }
    void setSlaved(bool on) override { slaved = on; }
    void setFiringPrimary(bool on) override { firing = on; }
    void setFiringSecondary(bool) override {}
    Formation* getFormation() override { return formation; }
    void joinFormation(Formation* newFormation) override
    {
        formation = newFormation;
        formation->addElement(this);
    }
    void leaveFormation() override
    {
        if (!formation)
            return;
        journal.push_back("leave " + name);
        formation->removeElement(this);
        formation = nullptr;
        journal.push_back("left " + name);
    }
    Controllable* getOwner() override { return owner; }

    std::vector<std::string>& journal;
    std::string name;
    ShipType::Role role;
    float radius;
    Controllable* owner = nullptr;
    Ogre::Vector3 offset = Ogre::Vector3(7, 7, 7);
    float distanceSquared = 0.0f;
    Targetable* target = nullptr;
    bool slaved = false;
    bool firing = false;
    Formation* formation = nullptr;
};

} // namespace Tolvarine::Test
