#include "ParticleSpray.h"

#include "Config.h"
#include "ConfigurationError.h"
#include "FatalError.h"
#include "ParticleSprayEvent.h"
#include "ResponseCurves.h"
#include "Scenario.h"

#include "CombatWorld.h"
#include "LogCapture.h"
#include "SchedulerFixture.h"
#include "SteeringDoubles.h"

#include <OgreControllerManager.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <limits>


namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Rates = std::vector<float>;

// A spray type file; the Factory section is left out when `poolSize` is empty.
std::string sprayText(const std::string& system = "Test/Jets", const std::string& curve = "Fall",
                      const std::string& poolSize = "1", const std::string& duration = "1",
                      const std::string& resolution = "0.125")
{
    return "[ParticleSpray]\nsystemName = " + system + "\nduration = " + duration + "\nrateCurveName = " + curve
           + "\ntimeResolution = " + resolution + "\n[Physics]\nmass = 1\n"
           + (poolSize.empty() ? "" : "[Factory]\npoolSize = " + poolSize + "\n");
}

// Sprays on a hand-driven clock in a headless scene; particles age only when a test updates them.
class ParticleSprayTest : public SchedulerFixture {
protected:
    ParticleSprayTest()
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
        // "Fall" steps down by a quarter per quarter of the duration and holds 0.25 from 0.75 on.
        curves = std::make_unique<ResponseCurves>(written(folder.file("curves.cfg"), "[Fall]\n0 = 1\n1 = 0.75\n2 = 0.5\n3 = 0.25\n"));
        Ogre::ParticleSystem* jets = Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Jets", "General");
        jets->setMaterialName("BaseWhite");
        for (float rate : {40.0f, 10.0f}) {
            Ogre::ParticleEmitter* emitter = jets->addEmitter("Point");
            emitter->setEmissionRate(rate);
            emitter->setTimeToLive(0.25f);
        }
        // A quota whose particles no machine's memory holds (2.4 TB).
        Ogre::ParticleSystem* huge = Ogre::ParticleSystemManager::getSingleton().createTemplate("Test/Huge", "General");
        huge->setMaterialName("BaseWhite");
        huge->setParticleQuota(10'000'000'000);
        std::filesystem::create_directory(explosions());
        passAt(0.0); // so that every later pass looks ahead by a little more than its work
    }
    ~ParticleSprayTest() override { ParticleSpray::unloadTypes(); }

    std::string explosions() const { return folder.file("explosions"); }
    void writeType(const std::string& name, const std::string& text) { writeFile(explosions() + "/" + name, text); }
    void load() { ParticleSpray::loadTypes(explosions(), &rendering.sceneManager(), curves.get()); }
    static ParticleSpray::Pools::Pool& pool(const std::string& type) { return *ParticleSpray::getPools().getPool(type); }
    static Rates ratesOf(const ParticleSpray& spray)
    {
        Rates rates;
        for (unsigned short i = 0; i < spray.getParticleSystem().getNumEmitters(); ++i)
            rates.push_back(spray.getParticleSystem().getEmitter(i)->getEmissionRate());
        return rates;
    }
    static Vector3 aim(const ParticleSpray& spray)
    {
        return spray.getSceneNode()->getOrientation() * Vector3::NEGATIVE_UNIT_Z;
    }
    // A pass whose variable tasks run at the game time `time`.
    void runAt(double time) { passAt(time - work); }

    RenderingRoot rendering{RenderingRoot::Kind::Headless};
    // Attached particle systems need the frame-time controller, which a root without a render
    // system does not make.
    std::unique_ptr<Ogre::ControllerManager> controllers = std::make_unique<Ogre::ControllerManager>();
    PhysicsEngine physics;
    TemporaryFolder folder;
    std::unique_ptr<ResponseCurves> curves;
};

TEST_F(ParticleSprayTest, TypesLoadOnceInNameOrderAndBrokenOnesStopTheLoad)
{
    LogCapture log;
    ParticleSpray::loadTypes(folder.file("nowhere"), &rendering.sceneManager(), curves.get());
    EXPECT_TRUE(log.contains("ParticleSpray: cannot read the folder " + folder.file("nowhere")));
    writeType("c.spray", sprayText("Test/Jets", "Fall", "2"));
    Config c(explosions() + "/c.spray");
    EXPECT_THROW(ParticleSpray(c, "c"), FatalError); // made without a scene: the engine has none
    EXPECT_TRUE(log.contains("ParticleSpray: the engine has no scene manager"));
    writeType("b.spray", sprayText());
    load();
    EXPECT_EQ(ParticleSpray::getPools().getTypeNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(pool("c").getFreeCount(), 2u);
    EXPECT_THROW(ParticleSpray::spray("nosuch", Vector3::ZERO, Vector3::UNIT_X), FatalError);
    EXPECT_THROW(ParticleSpray::createFromType("nosuch"), ConfigurationError);
    EXPECT_TRUE(log.contains("Could not create ParticleSpray: no config file found for type: nosuch"));
    writeType("d.spray", sprayText());
    load();
    EXPECT_FALSE(ParticleSpray::getPools().hasType("d")) << "types load once per process until unloaded";
    for (const char* name : {"b.spray", "b.sprayx", "c.spray", "c.sprayx", "d.spray", "d.sprayx"})
        std::filesystem::remove(explosions() + "/" + name);
    ParticleSpray::unloadTypes();

    // Checked even when the pool starts empty; a good type sorted first is kept.
    const std::pair<std::string, std::string> broken[] = {
        {sprayText("Test/Jets", "Nowhere", "0"), "Unknown ResponseCurve: Nowhere"},
        {sprayText("Test/Nothing", "Fall", "0"), "ParticleSpray: unknown particle template Test/Nothing of type bad"},
        {sprayText("Test/Jets", "Fall", "0", "0"), "ParticleSpray: duration of type bad must be above 0"},
        {sprayText("Test/Jets", "Fall", "", "1", "0"), "ParticleSpray: timeResolution of type bad must be above 0"},
        {sprayText("Test/Huge"), "Multipool factory: pool size 1 of bad in " + explosions()
                                     + "/bad.spray cannot be made: the machine's memory would run out"},
        // Enciphered files keep their keys out of the log.
        {"[ParticleSpray]\nduration = 1\nrateCurveName = Fall\ntimeResolution = 0.1\n", "Key not found"},
    };
    writeType("a.spray", sprayText());
    for (const auto& [text, line] : broken) {
        SCOPED_TRACE(line);
        writeType("bad.spray", text);
        EXPECT_THROW(load(), ConfigurationError);
        EXPECT_TRUE(log.contains(line));
        EXPECT_TRUE(ParticleSpray::getPools().hasType("a"));
        EXPECT_FALSE(ParticleSpray::getPools().hasType("bad"));
        ParticleSpray::unloadTypes();
    }
    // A pool size below 0 counts as 0, with a line, as every other kind's does (it stopped the start
    // without naming the file).
    writeType("bad.spray", sprayText("Test/Jets", "Fall", "-3"));
    EXPECT_NO_THROW(load());
    EXPECT_TRUE(log.contains("Multipool factory: pool size -3 of bad is negative, using 0"));
    EXPECT_EQ(pool("bad").getFreeCount(), 0u);
    ParticleSpray::unloadTypes();
}

TEST_F(ParticleSprayTest, PoolsGrowRestartsBeginAnewAndReleaseAllStopsEverySpray)
{
    writeType("lazy.spray", sprayText("Test/Jets", "Fall", ""));
    load();
    EXPECT_EQ(pool("lazy").getFreeCount(), 0u) << "no Factory section: nothing made at the start";
    ParticleSpray::spray("lazy", Vector3::ZERO, Vector3::ZERO);
    ASSERT_EQ(pool("lazy").getLiveCount(), 1u);
    ParticleSpray* spray = *pool("lazy").getLiveObjects().begin();
    EXPECT_TRUE(aim(*spray).positionEquals(Vector3::NEGATIVE_UNIT_Z, 1e-4f)) << "no velocity, neutral orientation";
    ParticleSpray::spray("lazy", Vector3(5, 0, 0), Vector3(0, 0, -10));
    ASSERT_EQ(pool("lazy").getLiveCount(), 2u);
    spray->getParticleSystem()._update(0.1f);

    // Started again while live: the curve begins anew, the spray is live once, and it points along
    // its new velocity (the old orientation used to survive the restart).
    const double start = scheduler.getTime();
    spray->start(Vector3(0, 10, 0), Vector3::UNIT_Z);
    EXPECT_TRUE(aim(*spray).positionEquals(Vector3::UNIT_Z, 1e-4f)) << aim(*spray);
    // A velocity of no number (a push that overflowed) leaves the neutral orientation: it turned the
    // particles to no number, and the renderer's assertion on their box ended the game.
    spray->start(Vector3(0, 10, 0), Vector3(std::numeric_limits<float>::infinity(), 0, 0));
    EXPECT_TRUE(aim(*spray).positionEquals(Vector3::NEGATIVE_UNIT_Z, 1e-4f)) << aim(*spray);
    spray->start(Vector3(0, 10, 0), Vector3::UNIT_Z);
    runAt(start + 0.25);
    EXPECT_EQ(ratesOf(*spray), (Rates{30.0f, 7.5f}));
    EXPECT_EQ(pool("lazy").getLiveCount(), 2u);

    ParticleSpray::releaseAll();
    EXPECT_EQ(pool("lazy").getFreeCount(), 2u);
    EXPECT_EQ(spray->getParticleSystem().getNumParticles(), 0u) << "no old particles at the next start";
    runAt(start + 0.75);
    EXPECT_EQ(ratesOf(*spray), (Rates{30.0f, 7.5f})) << "the curve stopped with the spray";
    // Deactivated twice: idle once. Its old user starts it again: it leaves the pool.
    spray->deactivate();
    EXPECT_EQ(pool("lazy").getFreeCount(), 2u);
    spray->start(Vector3::ZERO, Vector3::UNIT_Z);
    EXPECT_NE(ParticleSpray::getPools().create("lazy"), spray);
    Scenario::releasePooledObjects();
    EXPECT_EQ(pool("lazy").getLiveCount(), 0u);
    const std::string name = spray->getParticleSystem().getName();
    ParticleSpray::unloadTypes();
    EXPECT_FALSE(rendering.sceneManager().hasParticleSystem(name)) << "unloading destroys the sprays";
}

// Spray events start only as many sprays as keep their place from crowding and the sprays in
// play within their bound: events that play together share the room, one that finds too little
// starts what fits, with a line the first time, and a place away from the crowd has its own room.
// A spray that memory cannot hold is left out by the spray itself, counted, with a line the first
// time for its type.
TEST_F(ParticleSprayTest, SprayEventsStartNoMoreThanTheirPlaceAndTheBoundOfSpraysInPlayHold)
{
    writeType("lazy.spray", sprayText("Test/Jets", "Fall", ""));
    writeType("huge.spray", sprayText("Test/Huge", "Fall", ""));
    load();
    const std::string event = "type = ParticleSpray\ntime = 0\nnumber = 6\n";
    Config sequence(written(folder.file("a.explosion_sequence"), "[Event_A]\nname = lazy\n" + event + "[Event_B]\nname = lazy\n"
                                                                     + event + "[Event_Huge]\nname = huge\n" + event));
    ParticleSprayEvent a(sequence, "Event_A"), b(sequence, "Event_B"), huge(sequence, "Event_Huge");
    const Config type(written(folder.file("craft.cfg"), "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n"));
    Craft ship(type, 1.0f);
    const unsigned crowd = ParticleSpray::MAX_NEAR;
    const unsigned bound = ShipExplosionEvent::MAX_EFFECTS_IN_PLAY;
    const float edge = float(ParticleSpray::CROWD_EDGE);
    const Vector3 far(edge * 2.01f, 0, 0);
    const auto line = [&](const std::string& event, unsigned started, const std::string& why) {
        return "ParticleSprayEvent " + event + " of " + sequence.getPath() + ": " + std::to_string(started)
               + " of its 6 sprays started, the others would " + why + " (said once for the event)";
    };
    const std::string crowded = "crowd its place past " + std::to_string(crowd) + " sprays in play close by";
    const std::string full = "pass the bound of " + std::to_string(bound) + " explosions and sprays in play";
    // Sprays of any origin count: those at the place are fired as a hit's would be; those that
    // fill the bound are taken from the pool and never fired, so they count nowhere near. Each
    // log line starts with its row's.
    const struct {
        const char* name;
        unsigned near, elsewhere;
        Vector3 place;
        ParticleSprayEvent *first, *second;
        unsigned started, leftOutForMemory;
        std::vector<std::string> lines;
    } rows[] = {
        {"a crowded place: the second starts what fits", crowd - 8, 0, Vector3::ZERO, &a, &b, 8, 0, {line("Event_B", 2, crowded)}},
        {"a place away from the crowd starts them all", crowd, 0, far, &a, &b, 12, 0, {}},
        {"at the bound neither starts; the second was said before", 0, bound, far, &a, &b, 0, 0, {line("Event_A", 0, full)}},
        {"across a cube's border from the crowd, it crowds the place; both were said before", crowd - 8, 0,
         Vector3(-edge * 0.1f, 0, 0), &a, &b, 8, 0, {}},
        {"memory cannot hold a spray of the type: said once for the type", 0, 0, far, &huge, &huge, 0, 12,
         {"ParticleSpray: sprays of huge in " + explosions() + "/huge.spray are left out where memory would run out: "
          "each spray of huge holds a particle system of Test/Huge with a quota of 10000000000 particles, which takes "
          "about "}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ParticleSpray::releaseAll();
        for (unsigned i = 0; i < row.near; ++i)
            ParticleSpray::spray("lazy", Vector3::ZERO, Vector3::UNIT_Z);
        for (unsigned i = 0; i < row.elsewhere; ++i)
            ParticleSpray::getPools().create("lazy");
        const std::uint64_t leftOutBefore = ParticleSpray::getLeftOutForMemory();
        LogCapture log;
        row.first->execute(&ship, false, row.place);
        row.second->execute(&ship, false, row.place);
        EXPECT_EQ(pool("lazy").getLiveCount(), row.near + row.elsewhere + row.started);
        EXPECT_EQ(ParticleSpray::getLeftOutForMemory() - leftOutBefore, row.leftOutForMemory);
        std::vector<std::string> heads = log.lines();
        for (std::size_t i = 0; i < heads.size() && i < row.lines.size(); ++i)
            heads[i].resize(std::min(heads[i].size(), row.lines[i].size()));
        EXPECT_EQ(heads, row.lines);
    }
    EXPECT_EQ(pool("huge").getFreeCount(), 0u) << "no spray of the type was made";
}

} // namespace
} // namespace Tolvarine::Test
