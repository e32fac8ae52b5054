#include "Beam.h"
#include "CombatDoubles.h"
#include "CombatWorld.h"
#include "ComplexExplosion.h"
#include "Config.h"
#include "ExplosionManager.h"
#include "Faction.h"
#include "FireableProjectile.h"
#include "ModulatedBillboard.h"
#include "ParticleSpray.h"
#include "ResponseCurves.h"
#include "SoundFiles.h"
#include "SoundFixture.h"
#include "SoundManager.h"
#include "StandardWeaponSystem.h"
#include "TestMeshes.h"
#include "Weapon.h"

#include <OgreBillboardSet.h>
#include <OgreCamera.h>
#include <OgreHardwarePixelBuffer.h>
#include <OgreRenderTexture.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTextureManager.h>
#include <OgreViewport.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Ogre::Quaternion;
using Ogre::Vector3;
using Test::CombatWorld;
using Test::RenderingRoot;
using Test::SoundFiles;
using Test::TargetBody;
using Test::writeFile;

constexpr unsigned SIZE = 128;

// Our shipped weapons fired in a window: an ion lance at a body ahead, a plasma gun beside it.
class WeaponSceneTest : public CombatWorld {
protected:
    WeaponSceneTest() : CombatWorld(RenderingRoot::Kind::Windowed)
    {
        if (!root)
            return;
        loadShippedEffects();

        for (const char* extension : {".fireable", ".weapon"})
            copyShippedFiles(shippedData("entities"), extension, entities());
        for (const char* extension : {".explosion", ".spray"})
            copyShippedFiles(shippedData("explosions"), extension, explosions());
        for (const char* sound : {"explosion_plasma", "explosion_conventional", "plasma_gun_fire",
                                  "mass_driver_fire", "ion_lance_fire", "missile_thrust"})
            soundFiles.define(sound, "filename = beep.wav\n");
        // The muzzle glows read the program's curve file, from the folder the sound files made current.
        fs::copy_file(shippedData("curves.cfg"), "data/curves.cfg", fs::copy_options::overwrite_existing);
        SoundManager::forgetSoundConfigs();
        sound = std::make_unique<SoundManager>(nullptr, SoundSystem::Output::SILENT);
        ParticleSpray::loadTypes(explosions(), &scene(), &curves);
        FireableProjectile::loadTypes(entities());
        manager = std::make_unique<ExplosionManager>(explosions(), &curves);
        Weapon::setTypeFolder(entities());

        Tolvarine::Test::createMesh("target.mesh", "Core", Tolvarine::Test::sphereShape(8, 12, 5.0f));
        writeFile(folder.file("target.cfg"), "[Physics]\nmass = 10\nmassRadius = 5\n"
                                             "[Display]\nmesh = target.mesh\n"
                                             "[Collision_Geometry]\ntype = sphere\nradius = 5\n");
        targetType = std::make_unique<Config>(folder.file("target.cfg"));
        target = std::make_unique<TargetBody>(scene(), "Target", *targetType);
        target->place(Vector3(0, 0, -100));

        writeFile(folder.file("owner.ship"), "[WeaponSystem_Primary]\nautomatic = 0\nguided = 0\nfarRange = 400\n"
                                             "nearRange = 10\nbestRange = 200\nfireThreshold = 0.9\nfirePeriod = 1\n"
                                             "weapon1 = Lance\nweapon2 = Gun\n"
                                             "[Lance]\ntype = ion_lance\nposition = (0 0 -5)\n"
                                             "[Gun]\ntype = plasma_gun\nposition = (20 0 -5)\n");
        ownerType = std::make_unique<Config>(folder.file("owner.ship"));
        ownerNode = scene().getRootSceneNode()->createChildSceneNode("Owner");
        system = std::make_unique<StandardWeaponSystem>(&owner, ownerNode, *ownerType, "WeaponSystem_Primary");
        system->activate(&faction);
        frame(1.0 / 32);
    }
    ~WeaponSceneTest() override
    {
        system.reset();
        Weapon::forgetTypes();
        Weapon::setTypeFolder("data/entities");
        FireableProjectile::unloadTypes();
        manager.reset();
        ParticleSpray::unloadTypes();
        target.reset();
        sound.reset();
        SoundManager::forgetSoundConfigs();
    }

    // Draws the scene from above and counts the lit pixels.
    unsigned litPixels(const std::string& name)
    {
        Ogre::Camera* camera = scene().createCamera("Eye");
        camera->setNearClipDistance(1.0f);
        Ogre::SceneNode* eye = scene().getRootSceneNode()->createChildSceneNode(Vector3(10, 150, -50));
        eye->attachObject(camera);
        eye->lookAt(Vector3(10, 0, -50), Ogre::Node::TS_WORLD);
        Ogre::TexturePtr picture = Ogre::TextureManager::getSingleton().createManual(
            "Picture", "Core", Ogre::TEX_TYPE_2D, SIZE, SIZE, 0, Ogre::PF_BYTE_RGBA, Ogre::TU_RENDERTARGET);
        Ogre::RenderTarget* renderTarget = picture->getBuffer()->getRenderTarget();
        Ogre::Viewport* viewport = renderTarget->addViewport(camera);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);
        viewport->setOverlaysEnabled(false);
        renderTarget->update();
        std::vector<std::uint8_t> pixels(SIZE * SIZE * 4);
        renderTarget->copyContentsToMemory(Ogre::Box(0, 0, SIZE, SIZE),
                                           Ogre::PixelBox(SIZE, SIZE, 1, Ogre::PF_BYTE_RGBA, pixels.data()));
        if (const char* keep = std::getenv("TOLVARINE_PICTURES"))
            renderTarget->writeContentsToFile(std::string(keep) + "/" + name + ".png");
        unsigned lit = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4)
            lit += (pixels[i] + pixels[i + 1] + pixels[i + 2]) > 60 ? 1 : 0;
        renderTarget->removeAllViewports();
        Ogre::TextureManager::getSingleton().remove(picture);
        scene().destroyCamera(camera);
        return lit;
    }

    SoundFiles soundFiles;
    const ResponseCurves curves{shippedData("curves.cfg")};
    std::unique_ptr<SoundManager> sound;
    std::unique_ptr<ExplosionManager> manager;
    std::unique_ptr<Config> targetType;
    std::unique_ptr<TargetBody> target;
    std::unique_ptr<Config> ownerType;
    Ogre::SceneNode* ownerNode = nullptr;
    Tolvarine::Test::FakeReporter owner; // stays at the origin
    Faction faction{"Player", 0};
    std::unique_ptr<StandardWeaponSystem> system;
};

TEST_F(WeaponSceneTest, TheIonLanceStrikesOnceAtOnceAndThePictureShowsItsBeamAndAMuzzleGlow)
{
    const unsigned dark = litPixels("weapons_before");
    system->setPlayerControlled(true);
    system->setFiring(true); // the lance
    system->setFiring(true); // the gun
    ASSERT_EQ(1u, FireableProjectile::getPools().getPool("ion_lance")->getLiveCount());
    const Weapon& gun = *system->getWeapons()[1];
    ASSERT_NE(nullptr, gun.getGlow());
    EXPECT_EQ(gun.getMountNode(), gun.getGlow()->getBillboardSet().getParentSceneNode());

    EXPECT_GT(litPixels("weapons_firing"), dark + 40) << "the beam and the glow should light the picture";
    // The beam reaches the body in the next physics pass and damages it once, at nearly full strength.
    frame(1.0 / 32);
    frame(1.0 / 32);
    ASSERT_EQ(1u, target->damage.size());
    EXPECT_EQ(BEAM, target->damage[0].damageType);
    EXPECT_GT(target->damage[0].directDamage, 24.0f * 0.7f);
    EXPECT_LE(target->damage[0].directDamage, 24.0f);
    // The statistics count the full damage, not the scaled one.
    EXPECT_EQ(24.0, statistics.getPlayerDamageInflicted("ion_lance"));
    run(0.25);
    EXPECT_EQ(1u, target->damage.size());

    // Its life over, the beam is back in its pool.
    run(0.5);
    EXPECT_EQ(0u, FireableProjectile::getPools().getPool("ion_lance")->getLiveCount());
}

} // namespace
} // namespace Tolvarine
