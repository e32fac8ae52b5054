#include "CombatWorld.h"
#include "ComplexExplosionEvent.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "SteeringDoubles.h"

#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {


// The loader's rules, on types whose pools start empty, so that no explosion is built; each type
// is still read whole, as its first explosion would read it.
class ExplosionManagerTest : public ExplosionWorld {
protected:
    static std::string type(const std::string& group) { return explosionType(group, ""); }
};

TEST_F(ExplosionManagerTest, TypesLoadInNameOrderIntoTheirGroupsOncePerStemAndBadOnesAreRefused)
{
    // A missing folder or a type without a group stops the load and leaves no manager behind.
    LogCapture log;
    EXPECT_THROW(ExplosionManager manager(folder.file("nowhere")), ConfigurationError);
    EXPECT_TRUE(log.contains("ExplosionManager: cannot read the explosion folder "
                             + folder.file("nowhere")));
    writeExplosionType("stray", "[Factory]\npoolSize = 0\n");
    EXPECT_THROW(ExplosionManager manager(explosions(), curves.get()), ConfigurationError);
    EXPECT_TRUE(log.contains("Key not found")); // type files are read enciphered: no key names
    EXPECT_EQ(nullptr, ExplosionManager::getSingletonPtr());
    // An empty pool is no reason to read less: a sound that does not exist is refused with its place.
    std::string silent = type("Plasma") + "[Factory]\npoolSize = 0\n";
    silent.replace(silent.find("name = beep"), 11, "name = nowhere");
    writeExplosionType("stray", silent);
    log.clear();
    EXPECT_THROW(ExplosionManager manager(explosions(), curves.get()), ConfigurationError);
    EXPECT_TRUE(log.contains("Config: in " + explosions() + "/stray.explosion, section Sound, key name"))
        << ::testing::PrintToString(log.lines());
    EXPECT_EQ(nullptr, ExplosionManager::getSingletonPtr());
    std::filesystem::remove_all(explosions());
    std::filesystem::create_directory(explosions());

    writeExplosionType("spark", type("Plasma"));
    writeExplosionType("burst", type("Plasma"));
    writeExplosionType("boom", type("Conventional"));
    // A type that ships only as its twin.
    ASSERT_TRUE(encipherToFile(type("Conventional"), explosions() + "/flak.explosionx"));

    log.clear();
    ExplosionManager manager(explosions(), curves.get());
    EXPECT_EQ(&manager, ExplosionManager::getSingletonPtr());
    EXPECT_EQ((std::vector<std::string>{"boom", "burst", "flak", "spark"}), manager.getTypeNames());
    EXPECT_EQ((std::vector<std::string>{"Conventional", "Plasma"}), manager.getGroupNames());
    EXPECT_EQ((std::vector<std::string>{"boom", "flak"}), manager.getGroup("Conventional"));
    EXPECT_EQ((std::vector<std::string>{"burst", "spark"}), manager.getGroup("Plasma"));
    EXPECT_EQ((std::vector<std::string>{"Explosion boom added in group Conventional",
                                        "Explosion burst added in group Plasma",
                                        "Explosion flak added in group Conventional",
                                        "Explosion spark added in group Plasma"}),
              log.lines());
    EXPECT_EQ("Plasma", manager.getType("spark").get<std::string>("Explosion", "group"));

    // Types are loaded once; the later one stays unknown.
    writeExplosionType("zap", type("Plasma"));
    log.clear();
    manager.loadTypes();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(4u, manager.getTypeNames().size());

    EXPECT_THROW(manager.getType("zap"), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no explosion type zap"));
    EXPECT_THROW(manager.createFromGroup("Nuclear"), ConfigurationError);
    EXPECT_TRUE(log.contains("There is no group called Nuclear"));
    EXPECT_THROW(manager.create("zap"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create zap as there is no creator "
                             "registered"));
    EXPECT_THROW(manager.createExplosion("zap"), ConfigurationError);
}

// The explosions that dying ships' events start stop at a bound of the explosions in play: one
// death fanned out to 1,000 blasts at one point stopped the frames for 15 to 30 s. The event that
// finds the bound reached leaves its explosion out, with a line the first time.
TEST_F(ExplosionManagerTest, ExplosionEventsStartNoMoreThanTheBoundOfExplosionsInPlay)
{
    writeExplosionType("spark", type("Plasma"));
    ExplosionManager& manager = load();
    Config sequence(written(folder.file("a.explosion_sequence"), "[Event_A]\ntype = ComplexExplosion\ntime = 0\ngroup = Plasma\n"));
    ComplexExplosionEvent event(sequence, "Event_A");
    const Config craftType(written(folder.file("craft.cfg"), "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n"));
    Craft ship(craftType, 1.0f);
    const std::size_t bound = ExplosionManager::MAX_IN_PLAY;
    // Explosions of any origin count: these are taken from the pool as a hit's would be.
    for (std::size_t i = 0; i + 1 < bound; ++i)
        manager.create("spark");
    LogCapture log;
    event.execute(&ship, false, Ogre::Vector3::ZERO);
    EXPECT_EQ(bound, explosionsLive("spark"));
    EXPECT_TRUE(log.lines().empty());
    event.execute(&ship, false, Ogre::Vector3::ZERO);
    event.execute(&ship, false, Ogre::Vector3::ZERO);
    EXPECT_EQ(bound, explosionsLive("spark"));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ComplexExplosionEvent Event_A of " + sequence.getPath()
                                                    + ": its explosion left out, it would pass the bound of "
                                                    + std::to_string(bound) + " explosions in play (said once for the event)"});
}

} // namespace
} // namespace Tolvarine::Test
