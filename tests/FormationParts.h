#pragma once

#include "Config.h"
#include "ConfigFiles.h"
#include "Controllable.h"
#include "Formation.h"
#include "FormationElement.h"

#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Tolvarine::Test {

// A formation in a test scene, from a file of test values whose free icon may be an unknown
// overlay; the known icons "FreeIcon" and "SlavedIcon" are made for it.
class FormationParts {
public:
    FormationParts(Ogre::SceneManager& scene, const std::string& path, const std::string& freeIcon = "FreeIcon")
        : overlays(Ogre::OverlayManager::getSingletonPtr() ? nullptr : std::make_unique<Ogre::OverlaySystem>())
        , config(written(path, freeIcon))
        , formation(scene, config)
    {
    }

    std::unique_ptr<Ogre::OverlaySystem> overlays;
    Config config;
    Formation formation;

private:
    static std::string written(const std::string& path, const std::string& freeIcon)
    {
        for (const char* name : {"FreeIcon", "SlavedIcon"}) {
            if (!Ogre::OverlayManager::getSingleton().getByName(name))
                Ogre::OverlayManager::getSingleton().create(name);
        }
        writeFile(path, "[Formation]\nminStretchDistance = 50\nmaxStretchDistance = 400\nfreeIconOverlay = " + freeIcon +
                            "\nslavedIconOverlay = SlavedIcon\n[MovementController]\nmaxForce = 100\nmaxTorque = 5\n"
                            "[Targetable]\nframeType = None\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n");
        return path;
    }
};

// A member of a role and size that journals what happens to it; it joins and leaves as a ship's AI
// does, and the player's own ship hands its pick on to the formation.
class Member : public FormationElement {
public:
    Member(std::vector<std::string>& journal, std::string name, ShipType::Role role, float radius)
        : journal(journal), name(std::move(name)), role(role), radius(radius) {}
    ShipType::Role getRole() const override { return role; }
    void setFormationOffset(const Ogre::Vector3& vector) override { offset = vector; }
    const Ogre::Vector3& getFormationOffset() const override { return offset; }
    float getSquaredDistanceToFormation() const override { return 0.0f; }
    float getBoundingRadius() const override { return radius; }
    void setTarget(Targetable* target) override
    {
        journal.push_back("target " + name);
        if (formation && owner && Controllable::getFocused() == owner && journal.size() < 100)
            formation->setTarget(target);
    }
    void clearTarget() override {}
    void setSlaved(bool on) override { slaved = on; }
    void setFiringPrimary(bool on) override { firing = on; }
    void setFiringSecondary(bool) override {}
    Formation* getFormation() override { return formation; }
    void joinFormation(Formation* newFormation) override { (formation = newFormation)->addElement(this); }
    void leaveFormation() override
    {
        if (Formation* left = std::exchange(formation, nullptr)) {
            journal.push_back("leave " + name);
            left->removeElement(this);
            journal.push_back("left " + name);
        }
    }
    Controllable* getOwner() override { return owner; }

    std::vector<std::string>& journal;
    std::string name;
    ShipType::Role role;
    float radius;
    Controllable* owner = nullptr;
    Ogre::Vector3 offset = Ogre::Vector3(7, 7, 7);
    bool slaved = false, firing = false;
    Formation* formation = nullptr;
};

} // namespace Tolvarine::Test
