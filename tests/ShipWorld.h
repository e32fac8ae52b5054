#pragma once

#include "CapitalShip.h"
#include "CapitalShipStation.h"
#include "CombatWorld.h"
#include "Difficulty.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "GameProcess.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "InstrumentSoundManager.h"
#include "Interface.h"
#include "MovementController.h"
#include "ParticleSpray.h"
#include "ResponseCurves.h"
#include "ShipType.h"
#include "SoundManager.h"
#include "Weapon.h"

#include <filesystem>
#include <memory>

namespace Tolvarine::Test {

// The game's shipped ship types and the services ships talk to, in a working folder of its own
// (current while the world lives), on a hidden window with silent sound.
class ShipWorld : public CombatWorld {
protected:
    ShipWorld() : CombatWorld(RenderingRoot::Kind::Windowed), previous(std::filesystem::current_path())
    {
        if (!root)
            return;
        loadShippedEffects();
        fillGameFolder(folder.file(""));
        std::filesystem::current_path(folder.file(""));
        writeFile("cfg/difficulty.cfg", "[Difficulty]\ndifficulty = 0.5\n");
        curves = std::make_unique<ResponseCurves>("data/curves.cfg");
        difficulty = std::make_unique<Difficulty>("cfg/difficulty.cfg", *curves);
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        instruments = std::make_unique<InstrumentSoundManager>();
        ParticleSpray::loadTypes("data/explosions", &scene(), curves.get());
        ExplosionDebris::loadTypes("data/explosions/debris");
        explosionManager = std::make_unique<ExplosionManager>("data/explosions", curves.get());
        FireableProjectile::loadTypes("data/entities");
        Weapon::setTypeFolder("data/entities");
        CapitalShipStation::loadTypes("data/entities");
        Ship::loadTypes("data/entities");
        ours.addEnemy(theirs);
        theirs.addEnemy(ours);
    }

    ~ShipWorld() override
    {
        if (!root)
            return;
        if (Controllable* focused = Controllable::getFocused())
            focused->setFocus(false);
        ShipType::unloadAll();
        CapitalShipStation::unloadTypes();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        FireableProjectile::unloadTypes();
        ExplosionDebris::unloadTypes();
        explosionManager.reset();
        ParticleSpray::unloadTypes();
        instruments.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
        std::filesystem::current_path(previous);
    }

    CapitalShip* bastion(Faction& faction, const Ogre::Vector3& position, const Ogre::Quaternion& orientation)
    {
        auto* ship = dynamic_cast<CapitalShip*>(Ship::create("bastion"));
        ship->activate(faction, position, orientation);
        return ship;
    }

    std::filesystem::path previous;
    MovementController movement;
    Interface interface;
    GraphicsSettings graphics{folder.file("cfg/graphics.cfg")};
    GameplaySettings gameplay{folder.file("cfg/gameplay.cfg")};
    std::unique_ptr<ResponseCurves> curves;
    std::unique_ptr<Difficulty> difficulty;
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<InstrumentSoundManager> instruments;
    std::unique_ptr<ExplosionManager> explosionManager;
    Faction ours{"Ours", 0};
    Faction theirs{"Theirs", 0};
};

} // namespace Tolvarine::Test
