#include "ParticleSpray.h"

#include "AnimatedBillboard.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "FatalError.h"
#include "ModulatedBillboard.h"
#include "ResponseCurves.h"
#include "Scenario.h"

#include "CombatWorld.h"
#include "LogCapture.h"
#include "SchedulerFixture.h"

#include <OgreCamera.h>
#include <OgreControllerManager.h>
#include <OgreHardwarePixelBuffer.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRenderTexture.h>
#include <OgreSceneNode.h>
#include <OgreTextureManager.h>
#include <OgreViewport.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Ogre::Vector3;
using Test::fileExists;
using Test::LogCapture;
using Test::RenderingRoot;
using Test::TemporaryFolder;
using Test::writeFile;

// "Fall" steps down by a quarter per quarter of the duration and holds 0.25 from 0.75 on.
const char* const curvesText = "[Fall]\n0 = 1\n1 = 0.75\n2 = 0.5\n3 = 0.25\n"
                               "[Flat]\n0 = 1\n";

// A spray type file; the Factory section is left out when `poolSize` is empty.
std::string sprayText(const std::string& system = "Test/Jets", const std::string& curve = "Fall",
                      const std::string& poolSize = "1", const std::string& duration = "1",
                      const std::string& timeResolution = "0.125")
{
    std::string text = "[ParticleSpray]\nsystemName = " + system + "\nduration = " + duration
                       + "\nrateCurveName = " + curve + "\ntimeResolution = " + timeResolution + "\n"
                       + "[Physics]\nmass = 1\n";
    if (!poolSize.empty())
        text += "[Factory]\npoolSize = " + poolSize + "\n";
    return text;
}

// The number at the end of a spray's particle-system name.
unsigned numberOf(const ParticleSpray* spray)
{
    const std::string& name = spray->getParticleSystem().getName();
    const std::string prefix = "ParticleSpray_";
    EXPECT_EQ(0u, name.rfind(prefix, 0)) << name;
    return static_cast<unsigned>(std::stoul(name.substr(prefix.size())));
}

// Sprays on a hand-driven game clock in a headless scene. Particles age only when a test
// updates their system, as the renderer does once per frame in the game.
class ParticleSprayTest : public Test::SchedulerFixture {
protected:
    ParticleSprayTest()
        : rendering(RenderingRoot::Kind::Headless)
        // Particle systems tie their ageing to the frame-time controller when they are attached,
        // and a root without a render system has no controller manager of its own.
        , controllers(std::make_unique<Ogre::ControllerManager>())
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        writeFile(folder.file("curves.cfg"), curvesText);
        curves = std::make_unique<ResponseCurves>(folder.file("curves.cfg"));
        makeTemplate("Test/Jets", {40.0f, 10.0f});
        std::filesystem::create_directory(explosions());
        // One pass first, so that every later pass looks ahead by a little more than its work.
        passAt(0.0);
    }

    ~ParticleSprayTest() override { ParticleSpray::unloadTypes(); }

    // A template of point emitters with the given rates, whose particles live a quarter second.
    static void makeTemplate(const std::string& name, std::initializer_list<float> rates)
    {
        Ogre::ParticleSystem* system = Ogre::ParticleSystemManager::getSingleton().createTemplate(
            name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        system->setMaterialName("BaseWhite");
        for (float rate : rates) {
            Ogre::ParticleEmitter* emitter = system->addEmitter("Point");
            emitter->setEmissionRate(rate);
            emitter->setTimeToLive(0.25f);
        }
    }

    std::string explosions() const { return folder.file("explosions"); }
    void writeType(const std::string& fileName, const std::string& text) { writeFile(explosions() + "/" + fileName, text); }
    void load() { ParticleSpray::loadTypes(explosions(), &scene(), curves.get()); }

    Ogre::SceneManager& scene() { return rendering.sceneManager(); }
    static ParticleSpray::Pools::Pool& pool(const std::string& type) { return *ParticleSpray::getPools().getPool(type); }
    // The one live spray of a type.
    static ParticleSpray* live(const std::string& type)
    {
        const std::set<ParticleSpray*> sprays = pool(type).getLiveObjects();
        EXPECT_EQ(sprays.size(), 1u) << type;
        return sprays.empty() ? nullptr : *sprays.begin();
    }

    static std::vector<float> ratesOf(const ParticleSpray& spray)
    {
        std::vector<float> rates;
        const Ogre::ParticleSystem& system = spray.getParticleSystem();
        for (unsigned short i = 0; i < system.getNumEmitters(); ++i)
            rates.push_back(system.getEmitter(i)->getEmissionRate());
        return rates;
    }

    // A pass whose variable tasks run at the game time `time`.
    void runAt(double time) { passAt(time - work); }

    RenderingRoot rendering;
    std::unique_ptr<Ogre::ControllerManager> controllers;
    PhysicsEngine physics;
    TemporaryFolder folder;
    std::unique_ptr<ResponseCurves> curves;
};

TEST_F(ParticleSprayTest, TypesAreReadOnceInNameOrderWithTwinsAndOtherFilesSkipped)
{
    // Written in reverse order; the folder's own order means nothing.
    writeType("c.spray", sprayText("Test/Jets", "Fall", "2"));
    // The twin of c asks for more sprays: the plain file is the one read.
    ASSERT_TRUE(encipherToFile(sprayText("Test/Jets", "Fall", "5"), explosions() + "/c.sprayx"));
    writeType("b.spray", sprayText());
    ASSERT_TRUE(encipherToFile(sprayText(), explosions() + "/a.sprayx"));
    // Nothing of these is read: a broken dot file, other extensions, a folder.
    writeType(".broken.spray", sprayText("Test/Nothing"));
    writeType(".spray", sprayText("Test/Nothing"));
    writeType("notes.txt", "not a spray");
    writeType("upper.SPRAY", sprayText("Test/Nothing"));
    std::filesystem::create_directory(explosions() + "/sub.spray");

    load();
    EXPECT_EQ(ParticleSpray::getPools().getTypeNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(pool("c").getFreeCount(), 2u) << "one pool per type, filled from the plain file";
    EXPECT_TRUE(fileExists(explosions() + "/b.sprayx")) << "reading a plain file refreshes its twin";

    // Sprays are numbered as they are made, so the numbers show the order the types were read.
    ParticleSpray* a = ParticleSpray::getPools().create("a");
    ParticleSpray* c2 = ParticleSpray::getPools().create("c");
    EXPECT_EQ(numberOf(c2), numberOf(a) + 3) << "the pool hands out the last made first";

    // Types load once per process, until they are unloaded.
    writeType("d.spray", sprayText());
    load();
    EXPECT_FALSE(ParticleSpray::getPools().hasType("d"));
    ParticleSpray::unloadTypes();
    load();
    EXPECT_EQ(ParticleSpray::getPools().getTypeNames(), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(ParticleSprayTest, EmissionFollowsTheCurveAndTheSprayReturnsOnceItsLastParticleHasDied)
{
    writeType("jets.spray", sprayText());
    load();
    const Vector3 position(100, 0, 0);
    const double start = scheduler.getTime();
    ParticleSpray::spray("jets", position, Vector3(0, 30, 0));
    ParticleSpray* spray = live("jets");
    ASSERT_NE(spray, nullptr);
    Ogre::ParticleSystem& system = spray->getParticleSystem();
    Ogre::SceneNode* node = spray->getSceneNode();

    EXPECT_EQ(ratesOf(*spray), (std::vector<float>{40.0f, 10.0f})) << "the curve's start at once";
    EXPECT_EQ(system.getParentSceneNode(), node);
    EXPECT_EQ(system.getQueryFlags(), 0u);
    // The node's -Z axis points along the velocity.
    EXPECT_TRUE((node->getOrientation() * Vector3::NEGATIVE_UNIT_Z).positionEquals(Vector3::UNIT_Y, 1e-4f));
    system._update(0.1f);
    EXPECT_GT(system.getNumParticles(), 0u);

    struct Row {
        double time;
        std::vector<float> rates;
        const char* rule;
    };
    const Row rows[] = {
        {0.25, {30.0f, 7.5f}, "Fall is 0.75 at a quarter of the duration"},
        {0.625, {15.0f, 3.75f}, "halfway between 0.5 and 0.25"},
        {1.0, {10.0f, 2.5f}, "at exactly the duration the curve's end value applies"},
        {1.125, {0.0f, 0.0f}, "past it the emission stops while particles live on"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        runAt(start + row.time);
        EXPECT_EQ(ratesOf(*spray), row.rates);
        EXPECT_TRUE(pool("jets").isLive(spray));
    }
    // The node rides on the body, which keeps the velocity.
    EXPECT_GT((node->getPosition() - position).y, 1.0f);
    EXPECT_NEAR((node->getPosition() - position).x, 0.0f, 1e-3f);

    // The particles die and emit no others; the next step gives the spray back.
    system._update(0.5f);
    EXPECT_EQ(system.getNumParticles(), 0u);
    runAt(start + 1.25);
    EXPECT_FALSE(pool("jets").isLive(spray));
    EXPECT_EQ(pool("jets").getFreeCount(), 1u);
    EXPECT_EQ(node->getParent(), nullptr);
    EXPECT_FALSE(spray->getPhysicsBody().isActive());
}

TEST_F(ParticleSprayTest, PoolsGrowOnDemandAndNeverHoldASprayTwice)
{
    writeType("lazy.spray", sprayText("Test/Jets", "Fall", ""));
    load();
    EXPECT_EQ(pool("lazy").getFreeCount(), 0u) << "no Factory section: nothing made at the start";
    // Without velocity the spray keeps the neutral orientation.
    ParticleSpray::spray("lazy", Vector3(0, 0, 0), Vector3::ZERO);
    ParticleSpray* spray = live("lazy");
    ASSERT_NE(spray, nullptr);
    EXPECT_TRUE(spray->getSceneNode()->getOrientation().equals(Ogre::Quaternion::IDENTITY, Ogre::Degree(0.01f)));
    // Two sprays of one type in one frame are two sprays with their own particle systems.
    ParticleSpray::spray("lazy", Vector3(5, 0, 0), Vector3(0, 0, -10));
    std::set<ParticleSpray*> sprays = pool("lazy").getLiveObjects();
    sprays.erase(spray);
    ASSERT_EQ(sprays.size(), 1u);
    ParticleSpray* other = *sprays.begin();
    EXPECT_NE(spray->getParticleSystem().getName(), other->getParticleSystem().getName());
    other->deactivate();
    double start = scheduler.getTime();
    runAt(start + 0.5);
    EXPECT_EQ(ratesOf(*spray), (std::vector<float>{20.0f, 5.0f}));

    // Started again while live: the curve begins anew and the spray is live only once.
    start = scheduler.getTime();
    spray->start(Vector3(0, 10, 0), Vector3::UNIT_Z);
    runAt(start + 0.25);
    EXPECT_EQ(ratesOf(*spray), (std::vector<float>{30.0f, 7.5f}));
    EXPECT_EQ(pool("lazy").getLiveCount(), 1u);
    EXPECT_EQ(pool("lazy").getFreeCount(), 1u);

    // Deactivated twice: idle once, and handed out first.
    spray->deactivate();
    spray->deactivate();
    EXPECT_EQ(pool("lazy").getFreeCount(), 2u);
    ParticleSpray::spray("lazy", Vector3::ZERO, Vector3::UNIT_X);
    EXPECT_EQ(live("lazy"), spray);
    EXPECT_EQ(pool("lazy").getFreeCount(), 1u) << "no new spray while one is idle";

    // Its old user starts it again: it stays out of the pool, so nobody else is handed it.
    spray->deactivate();
    spray->start(Vector3::ZERO, Vector3::UNIT_Z);
    EXPECT_NE(ParticleSpray::getPools().create("lazy"), spray);
    ParticleSpray::releaseAll();
    EXPECT_EQ(pool("lazy").getFreeCount(), 2u);
    EXPECT_EQ(pool("lazy").getLiveCount(), 0u);
}

TEST_F(ParticleSprayTest, ReleaseAllStopsEverySprayMidEmissionAndTheyFireAgainFromTheStart)
{
    writeType("jets.spray", sprayText("Test/Jets", "Fall", "2"));
    load();
    const double start = scheduler.getTime();
    ParticleSpray::spray("jets", Vector3::ZERO, Vector3::UNIT_X);
    ParticleSpray::spray("jets", Vector3::ZERO, Vector3::UNIT_Y);
    const std::set<ParticleSpray*> sprays = pool("jets").getLiveObjects();
    for (ParticleSpray* spray : sprays)
        spray->getParticleSystem()._update(0.1f);

    ParticleSpray::releaseAll();
    EXPECT_EQ(pool("jets").getFreeCount(), 2u);
    for (ParticleSpray* spray : sprays) {
        EXPECT_EQ(spray->getSceneNode()->getParent(), nullptr);
        EXPECT_EQ(spray->getParticleSystem().getNumParticles(), 0u) << "no old particles at the next start";
        EXPECT_FALSE(spray->getPhysicsBody().isActive());
    }
    // Their curves stopped: the rates stay where they were.
    runAt(start + 0.5);
    for (ParticleSpray* spray : sprays)
        EXPECT_EQ(ratesOf(*spray)[0], 40.0f);

    const double again = scheduler.getTime();
    ParticleSpray::spray("jets", Vector3::ZERO, Vector3::UNIT_X);
    ParticleSpray* spray = live("jets");
    ASSERT_NE(spray, nullptr);
    runAt(again + 0.25);
    EXPECT_EQ(ratesOf(*spray), (std::vector<float>{30.0f, 7.5f}));

    // The end of a game returns the sprays as well.
    Scenario::releasePooledObjects();
    EXPECT_EQ(pool("jets").getLiveCount(), 0u);
}

TEST_F(ParticleSprayTest, UnknownTypesAndMissingFoldersAreLoggedAndRefused)
{
    LogCapture log;
    ParticleSpray::loadTypes(folder.file("nowhere"), &scene(), curves.get());
    EXPECT_TRUE(ParticleSpray::getPools().getTypeNames().empty());
    EXPECT_TRUE(log.contains("ParticleSpray: cannot read the folder " + folder.file("nowhere")));

    writeType("jets.spray", sprayText());
    load();
    EXPECT_THROW(ParticleSpray::spray("nosuch", Vector3::ZERO, Vector3::UNIT_X), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nosuch as there is no creator registered"));
    EXPECT_EQ(pool("jets").getLiveCount(), 0u);
    EXPECT_THROW(ParticleSpray::createFromType("nosuch"), ConfigurationError);
    EXPECT_TRUE(log.contains("Could not create ParticleSpray: no config file found for type: nosuch"));
}

TEST_F(ParticleSprayTest, BrokenTypesStopTheLoadWithALogLineEvenWhenTheirPoolStartsEmpty)
{
    struct Case {
        std::string text;
        std::string logLine;
    };
    const Case cases[] = {
        {sprayText("Test/Jets", "Nowhere", "0"), "Unknown ResponseCurve: Nowhere"},
        {sprayText("Test/Nothing", "Fall", "0"), "ParticleSpray: unknown particle template Test/Nothing of type bad"},
        {sprayText("Test/Jets", "Fall", "-3"), "ParticleSpray: pool size -3 of type bad is negative"},
        {sprayText("Test/Jets", "Fall", "0", "0"), "ParticleSpray: duration of type bad must be above 0"},
        {sprayText("Test/Jets", "Fall", "0", "-1"), "ParticleSpray: duration of type bad must be above 0"},
        {sprayText("Test/Jets", "Fall", "", "1", "0"), "ParticleSpray: timeResolution of type bad must be above 0"},
        // Enciphered files keep their keys out of the log.
        {"[ParticleSpray]\nduration = 1\nrateCurveName = Fall\ntimeResolution = 0.1\n", "Key not found"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.logLine);
        writeType("bad.spray", bad.text);
        LogCapture log;
        EXPECT_THROW(load(), ConfigurationError);
        EXPECT_TRUE(log.contains(bad.logLine));
        EXPECT_FALSE(ParticleSpray::getPools().hasType("bad"));
        ParticleSpray::unloadTypes();
    }
    // A good type sorted before a bad one is loaded; the bad one is not.
    writeType("good.spray", sprayText());
    writeType("worse.spray", sprayText("Test/Nothing"));
    std::filesystem::remove(explosions() + "/bad.spray");
    std::filesystem::remove(explosions() + "/bad.sprayx");
    EXPECT_THROW(load(), ConfigurationError);
    EXPECT_TRUE(ParticleSpray::getPools().hasType("good"));
    EXPECT_FALSE(ParticleSpray::getPools().hasType("worse"));
}

TEST_F(ParticleSprayTest, SpraysAreMadeInTheEnginesSceneManagerUnlessToldOtherwise)
{
    writeType("jets.spray", sprayText());
    Config config(explosions() + "/jets.spray");
    {
        LogCapture log;
        EXPECT_THROW(ParticleSpray spray(config, "jets"), FatalError);
        EXPECT_TRUE(log.contains("ParticleSpray: the engine has no scene manager"));
    }
    TolvarineEngine engine(Ogre::Root::getSingleton());
    engine.sceneManager = &scene();
    ParticleSpray::loadTypes(explosions(), nullptr, curves.get());
    const std::string name = ParticleSpray::getPools().create("jets")->getParticleSystem().getName();
    EXPECT_TRUE(scene().hasParticleSystem(name));
    ParticleSpray::unloadTypes();
    EXPECT_FALSE(scene().hasParticleSystem(name)) << "unloading destroys the sprays";
}

// The shipped effects drawn with OpenGL into a picture: the sprays' templates, materials and
// textures, and the billboard materials, as a player would see them.
class ParticleSprayDrawingTest : public Test::CombatWorld {
protected:
    static constexpr unsigned size = 256;

    ParticleSprayDrawingTest() : CombatWorld(RenderingRoot::Kind::Windowed) {}
    ~ParticleSprayDrawingTest() override { ParticleSpray::unloadTypes(); }

    void SetUp() override
    {
        CombatWorld::SetUp();
        if (IsSkipped())
            return;
        loadShippedEffects();
        curves = std::make_unique<ResponseCurves>(shippedData("curves.cfg"));
        copyShippedFiles(shippedData("explosions"), ".spray", explosions());
        ParticleSpray::loadTypes(explosions(), &scene(), curves.get());
        Ogre::Camera* camera = scene().createCamera("Eye");
        camera->setNearClipDistance(1.0f);
        scene().getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        picture = Ogre::TextureManager::getSingleton().createManual(
            "Picture", "Core", Ogre::TEX_TYPE_2D, size, size, 0, Ogre::PF_BYTE_RGBA, Ogre::TU_RENDERTARGET);
        Ogre::Viewport* viewport = picture->getBuffer()->getRenderTarget()->addViewport(camera);
        viewport->setBackgroundColour(Ogre::ColourValue::Black);
        viewport->setOverlaysEnabled(false);
    }

    // Draws the scene and counts the lit pixels of the columns [first, last) of the left and
    // right halves. Kept as a file for a person to look at when TOLVARINE_PICTURES names a folder.
    std::pair<unsigned, unsigned> draw(const std::string& name)
    {
        Ogre::RenderTarget* target = picture->getBuffer()->getRenderTarget();
        target->update();
        std::vector<std::uint8_t> pixels(size * size * 4);
        target->copyContentsToMemory(Ogre::Box(0, 0, size, size),
                                     Ogre::PixelBox(size, size, 1, Ogre::PF_BYTE_RGBA, pixels.data()));
        if (const char* keep = std::getenv("TOLVARINE_PICTURES"))
            target->writeContentsToFile(std::string(keep) + "/" + name + ".png");
        std::pair<unsigned, unsigned> lit{0, 0};
        for (unsigned y = 0; y < size; ++y) {
            for (unsigned x = 0; x < size; ++x) {
                const std::uint8_t* p = &pixels[(y * size + x) * 4];
                if (p[0] + p[1] + p[2] > 60)
                    ++(x < size / 2 ? lit.first : lit.second);
            }
        }
        return lit;
    }

    std::unique_ptr<ResponseCurves> curves;
    Ogre::TexturePtr picture;
};

TEST_F(ParticleSprayDrawingTest, ShippedSpraysAndBillboardsShowOnScreen)
{
    EXPECT_EQ(draw("empty"), std::make_pair(0u, 0u)) << "nothing is drawn before the effects start";

    // Every shipped spray on the left half of the picture; a glow and a flip-book explosion on
    // the right.
    ParticleSpray::spray("fireball", Vector3(-25, 10, -120), Vector3::ZERO);
    ParticleSpray::spray("plating", Vector3(-25, -15, -120), Vector3(0, 20, 0));
    ParticleSpray::spray("smoke_puff", Vector3(-35, 30, -120), Vector3::ZERO);
    ParticleSpray::spray("debris_dust", Vector3(-30, -30, -120), Vector3(-5, 0, 0));
    ParticleSpray::spray("sparks", Vector3(-15, -5, -120), Vector3(-10, 0, 0));
    writeFile(folder.file("effects.cfg"),
              "[Glow]\nduration = 1\nsizeCurveName = Glow Swell\nminSize = 0\nmaxSize = 30\n"
              "colourCurveName = Glow Fade\nminColour = (0 0 0 0)\nmaxColour = (1 0.7 0.3 1)\n"
              "timeResolution = 0.05\nmaterialName = Effect/Glow\n"
              "[Animation]\nmaterialName = Effect/ExplosionFrames\nduration = 1\ntimeResolution = 0.05\n"
              "size = 25\n");
    Config effects(folder.file("effects.cfg"));
    ModulatedBillboard glow(effects, "Glow", scene(), *curves);
    AnimatedBillboard explosion(effects, "Animation", scene());
    glow.start(*scene().getRootSceneNode()->createChildSceneNode(Vector3(25, 12, -120)), nullptr);
    explosion.start(*scene().getRootSceneNode()->createChildSceneNode(Vector3(25, -12, -120)), nullptr);

    std::vector<ParticleSpray*> sprays;
    for (const std::string& type : ParticleSpray::getPools().getTypeNames()) {
        for (ParticleSpray* spray : ParticleSpray::getPools().getPool(type)->getLiveObjects())
            sprays.push_back(spray);
    }
    ASSERT_EQ(sprays.size(), 5u);
    // A few frames of 0.03 s: the game ages particles once per frame.
    for (int frameCount = 1; frameCount <= 5; ++frameCount) {
        frame(0.03);
        for (ParticleSpray* spray : sprays)
            spray->getParticleSystem()._update(0.03f);
    }
    for (ParticleSpray* spray : sprays)
        EXPECT_GT(spray->getParticleSystem().getNumParticles(), 0u) << spray->getTypeName();
    EXPECT_GT(explosion.getCurrentFrame(), 0u);

    const std::pair<unsigned, unsigned> lit = draw("effects");
    EXPECT_GT(lit.first, 300u) << "the sprays";
    EXPECT_GT(lit.second, 1000u) << "the billboards";
    glow.stop(DisableTime(2));
    explosion.stop(DisableTime(2));
}

} // namespace
} // namespace Tolvarine
