#pragma once

#include "CameraController.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "Controllable.h"
#include "ForceController.h"
#include "HudOverlay.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "MovementController.h"
#include "PhysicsBody.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "Scheduler.h"
#include "SoundFiles.h"
#include "SoundManager.h"
#include "WeaponDisplay.h"
#include "WeaponSystem.h"

#include <OgreDefaultHardwareBufferManager.h>
#include <OgreMaterialManager.h>
#include <OgreOverlaySystem.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreStringConverter.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// Every call the doubles receive, in order, each with a picture of the services at that moment.
class Journal {
public:
    void add(const std::string& event) { entries.push_back(state ? event + " [" + state() + "]" : event); }
    std::vector<std::string> entries;
    std::function<std::string()> state;
};

class RecordingWeaponSystem : public WeaponSystem {
public:
    RecordingWeaponSystem(std::string name, Journal& journal) : name(std::move(name)), journal(journal) {}

    void setPlayerControlled(bool on) override
    {
        journal.add(name + ".setPlayerControlled(" + (on ? "true" : "false") + ")");
    }
    void setTarget(Targetable* newTarget) override { target = newTarget, journal.add(name + ".setTarget"); }
    void clearTarget() override { target = nullptr, journal.add(name + ".clearTarget"); }

    void activate(Faction*) override {}
    void deactivate() override {}
    const std::string& getDescription() const override { return name; }
    float getLoadProportion() override { return load; }
    Ogre::Vector3 getCurrentWeaponPosition() override { return Ogre::Vector3::ZERO; }
    bool isGuided() const override { return false; }
    float getLaunchSpeed() override { return 0.0f; }
    float getFarRange() override { return 0.0f; }
    float getNearRange() override { return 0.0f; }
    float getBestRange() override { return 0.0f; }
    float getFireThreshold() override { return 0.0f; }
    void setFiring(bool) override {}
    bool isFiring() override { return false; }
    void setFirePeriod(float) override {}
    Targetable* getTarget() override { return target; }
    Faction* getFaction() override { return nullptr; }

    const std::string name;
    Journal& journal;
    Targetable* target = nullptr;
    float load = 1.0f;
};

// Drives the ship's body as a ship's thrust does, scaling by its maxima.
class RecordingThrust : public ForceController {
public:
    RecordingThrust(std::string name, PhysicsBody& body, Journal& journal) : name(std::move(name)), body(body), journal(journal) {}

    float getMaxForce() const override { return 10.0f; }
    float getMaxTorque() const override { return 2.0f; }
    void applyForce(const Ogre::Vector3& direction) override
    {
        body.setForce(direction * getMaxForce());
        journal.add(name + ".applyForce(" + Ogre::StringConverter::toString(direction) + ")");
    }
    void applyTorque(const Ogre::Vector3& axis) override
    {
        body.setTorque(axis * getMaxTorque());
        journal.add(name + ".applyTorque(" + Ogre::StringConverter::toString(axis) + ")");
    }
    void setForce(const Ogre::Vector3& force, bool) override { body.setForce(force); }
    void setTorque(const Ogre::Vector3& torque, bool) override { body.setTorque(torque); }
    void setRelativeForce(const Ogre::Vector3& force, bool) override { body.setRelativeForce(force); }
    void setRelativeTorque(const Ogre::Vector3& torque, bool) override { body.setRelativeTorque(torque); }

    const std::string name;
    PhysicsBody& body;
    Journal& journal;
};

struct ShipOptions {
    bool primary = true, secondary = true, targetable = true;
};

class TestShip : public Controllable {
public:
    TestShip(const std::string& name, const Config& type, Journal& journal, ShipOptions options = {})
        : Controllable(type), name(name), journal(journal), body(type), thrust(name + ".thrust", body, journal),
          targetable(options.targetable)
    {
        if (options.primary)
            primary = std::make_unique<RecordingWeaponSystem>(name + ".primary", journal);
        if (options.secondary)
            secondary = std::make_unique<RecordingWeaponSystem>(name + ".secondary", journal);
    }

    Ogre::Vector3 getPosition() const override { return body.getPosition(); }
    Ogre::Quaternion getOrientation() const override { return body.getOrientation(); }
    Ogre::Vector3 getVelocity() const override { return body.getVelocity(); }
    void addPositionListener(PositionListener* listener) override { body.addPositionListener(listener); }
    void removePositionListener(PositionListener* listener) override { body.removePositionListener(listener); }
    Ogre::Vector3 predictPosition(float t) const override { return body.predictPosition(t); }
    Ogre::Vector3 predictPositionWithThrust(float t) const override { return body.predictPositionWithThrust(t); }
    Ogre::Vector3 predictPositionWithThrustFactor(float t, float f) const override { return body.predictPositionWithThrustFactor(t, f); }

    float getBoundingRadius() const override { return 10.0f; }
    DamageModel* getDamageModel() override { return damageModel; }
    Faction* getFaction() override { return faction; }
    bool isTargetable() override { return targetable; }
    void setSelected(bool select) override
    {
        journal.add(name + ".setSelected(" + (select ? "true" : "false") + ")");
        if (!select && onDeselect)
            onDeselect();
        Controllable::setSelected(select);
    }

    PhysicsBody* getPhysicsBody() override { return &body; }
    const PhysicsBody* getPhysicsBody() const override { return &body; }
    ForceController* getForceController() override { return &thrust; }
    const ForceController* getForceController() const override { return &thrust; }
    WeaponSystem* getPrimaryWeaponSystem() override { return primary.get(); }
    WeaponSystem* getSecondaryWeaponSystem() override { return secondary.get(); }
    const std::string& getName() const override { return name; }
    void setFiringPrimary(bool on) override { journal.add(name + ".setFiringPrimary(" + (on ? "true" : "false") + ")"); }
    void setFiringSecondary(bool on) override { journal.add(name + ".setFiringSecondary(" + (on ? "true" : "false") + ")"); }
    Ogre::Overlay* getWeaponOverlay() override { return journal.add(name + ".getWeaponOverlay"), weaponOverlay; }
    void setFocus(bool focus) override
    {
        journal.add(name + ".setFocus(" + (focus ? "true" : "false") + ")");
        Controllable::setFocus(focus);
    }

    const std::string name;
    Journal& journal;
    PhysicsBody body;
    RecordingThrust thrust;
    std::unique_ptr<RecordingWeaponSystem> primary;
    std::unique_ptr<RecordingWeaponSystem> secondary;
    bool targetable;
    Ogre::Overlay* weaponOverlay = nullptr;
    DamageModel* damageModel = nullptr;
    Faction* faction = nullptr;
    // Runs inside setSelected(false), before the selection is released.
    std::function<void()> onDeselect;
};

// A scene of its own for the camera controller's cameras. It stays out of the rendering root's
// list of scene managers, so that the scene the select-ahead query searches is the test's own.
class CameraScene {
public:
    // Cameras need the built-in materials.
    CameraScene() { Ogre::MaterialManager::getSingleton().initialise(), scene = factory.createInstance("Cameras"); }
    ~CameraScene() { factory.destroyInstance(scene); }
    CameraScene(const CameraScene&) = delete;
    CameraScene& operator=(const CameraScene&) = delete;

    Ogre::SceneManager& get() const { return *scene; }

private:
    Ogre::DefaultSceneManagerFactory factory;
    Ogre::SceneManager* scene = nullptr;
};

// The services that focus and selection talk to, made as start-up makes them, and ships built
// from a small type file.
class TargetingFixture : public ::testing::Test {
protected:
    TargetingFixture()
    {
        writeFile(typePath, "[Physics]\nmass = 2\n"
                            "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n");
        Controllable::setInputEnabled(true);
        journal.state = [this] { return describeServices(); };
    }

    ~TargetingFixture() override
    {
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        if (Targetable* selected = Targetable::getSelected())
            selected->setSelected(false);
        Controllable::setInputEnabled(true);
        WeaponDisplay::getSingleton().clearReticleOverlay();
    }

    TestShip& ship(const std::string& name, ShipOptions options = {})
    {
        if (!type)
            type = std::make_unique<Config>(typePath);
        ships.push_back(std::make_unique<TestShip>(name, *type, journal, options));
        return *ships.back();
    }

    void press(const std::string& symbol)
    {
        input.setSymbolPressed(input.getSymbol(symbol), true);
        input.setSymbolValue(input.getSymbol(symbol), 1.0f);
    }
    void pulse(const std::string& symbol) { input.pulseSymbol(input.getSymbol(symbol)); }

    std::string describeServices() const
    {
        const WeaponDisplay& display = WeaponDisplay::getSingleton();
        return "focused=" + nameOf(Controllable::getFocused()) + " weapons=" +
               nameOf(display.getPrimaryWeaponSystem()) + "/" + nameOf(display.getSecondaryWeaponSystem()) +
               " camera=" + nameOf(camera.getCameraTarget()) + " hud=" + nameOf(hud.getSelfWireframe()) + "/" +
               nameOf(hud.getTargetWireframe()) + " movement=" + nameOf(movement.getControllable()) +
               " sounds=" + nameOf(sounds.getControllable());
    }

    std::string nameOf(const void* object) const
    {
        if (!object)
            return "-";
        for (const auto& ship : ships) {
            if (object == static_cast<const Targetable*>(ship.get()) ||
                object == static_cast<const Controllable*>(ship.get()))
                return ship->name;
            if (object == static_cast<const WeaponSystem*>(ship->primary.get()))
                return ship->primary->name;
            if (object == static_cast<const WeaponSystem*>(ship->secondary.get()))
                return ship->secondary->name;
            if (object == static_cast<const ForceController*>(&ship->thrust))
                return ship->thrust.name;
        }
        return "?";
    }

    TemporaryFolder folder;
    const std::string typePath = folder.file("test.ship");
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    // The rendering engine without a window. Software buffers outlive the root.
    std::unique_ptr<Ogre::DefaultHardwareBufferManager> buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
    Ogre::Root root{"", "", ""};
    CameraScene cameraScene;
    Config cameraSettings{written(
        folder.file("camera.cfg"),
        "[Camera]\nchaseCorrectionSpeed = 4\n[FreeCamera]\norbitRange = 100\n"
        "orbitSpeedDegrees = 10\nfreeCameraCorrectionSpeed = 1\n")};
    CameraController camera{cameraScene.get(), cameraSettings};
    // The heads-up display with the built-in material in place of the shipped ones.
    std::unique_ptr<Ogre::OverlaySystem> overlays = std::make_unique<Ogre::OverlaySystem>();
    Config hudSettings{written(
        folder.file("hud.cfg"),
        "[Hud]\nzOrder = 300\ncolour = (1 1 1 1)\nhealthColour = (0 1 0 1)\n"
        "damageColour = (1 0 0 1)\ntargetWireframeMaterial = BaseWhite\nselectionRange = 1000\n"
        "selectionThresholdDot = 0.9\n"
        "selfWireframePosition = (-3 -2 -12)\ntargetWireframePosition = (3 -2 -12)\n"
        "reticleFullColour = (0 1 0 1)\nreticleEmptyColour = (1 0 0 0.5)\n")};
    HudOverlay hud{cameraScene.get(), hudSettings};
    // The instrument sounds need the sound manager and its settings and definitions.
    SoundFiles soundFiles;
    SoundManager soundManager{nullptr, SoundSystem::Output::SILENT};
    InstrumentSoundManager sounds;
    MovementController movement;
    Journal journal;
    std::unique_ptr<Config> type;
    std::vector<std::unique_ptr<TestShip>> ships;
};

} // namespace Tolvarine::Test
