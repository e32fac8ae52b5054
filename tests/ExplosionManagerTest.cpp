#include "CombatWorld.h"
#include "ComplexExplosion.h"
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

// The explosions that dying ships' events start are left out where their place is crowded, and
// past a bound of the explosions in play: one death fanned out to 1,000 blasts at one point
// stopped the frames for 15 to 30 s. A death away from the crowd starts its explosion. The event
// that leaves one out says so the first time.
TEST_F(ExplosionManagerTest, ExplosionEventsLeaveTheirExplosionOutOnlyWhereThePlaceIsCrowdedOrPastTheBound)
{
    writeExplosionType("spark", type("Plasma"));
    ExplosionManager& manager = load();
    std::string events;
    for (const char* section : {"Event_Crowded", "Event_AcrossTheBorder", "Event_Far", "Event_Full"})
        events += std::string("[") + section + "]\ntype = ComplexExplosion\ntime = 0\ngroup = Plasma\n";
    Config sequence(written(folder.file("a.explosion_sequence"), events));
    const Config craftType(written(folder.file("craft.cfg"), "[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n"));
    Craft ship(craftType, 1.0f);
    const std::size_t crowd = ExplosionManager::MAX_NEAR;
    const std::size_t bound = ShipExplosionEvent::MAX_EFFECTS_IN_PLAY;
    const double edge = ExplosionManager::CROWD_EDGE;
    const auto line = [&](const std::string& event, const std::string& why) {
        return "ComplexExplosionEvent " + event + " of " + sequence.getPath() + ": its explosion left out, " + why
               + " (said once for the event)";
    };
    // Explosions of any origin count: these start as a hit's would, where the blast at the
    // origin crowds; those that fill the bound are taken from the pool far from everything.
    for (std::size_t i = 0; i < crowd; ++i)
        manager.create("spark")->activate(Ogre::Vector3(float(edge) * 0.9f, 0, 0), Ogre::Vector3::ZERO, {});
    const struct {
        const char* event;
        Ogre::Vector3 place;
        std::size_t takenBefore;
        bool starts;
        std::string line;
    } rows[] = {
        {"Event_Crowded", Ogre::Vector3::ZERO, 0, false,
         line("Event_Crowded", "its place already holds " + std::to_string(crowd) + " explosions in play close by")},
        // In the next cube, 10 units from the crowd.
        {"Event_AcrossTheBorder", Ogre::Vector3(float(edge) * 1.1f, 0, 0), 0, false,
         line("Event_AcrossTheBorder", "its place already holds " + std::to_string(crowd) + " explosions in play close by")},
        {"Event_Far", Ogre::Vector3(float(edge) * 2.01f, 0, 0), 0, true, ""},
        {"Event_Full", Ogre::Vector3(float(edge) * 2.01f, 0, 0), bound - crowd - 1, false,
         line("Event_Full", "it would pass the bound of " + std::to_string(bound) + " explosions and sprays in play")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.event);
        for (std::size_t i = 0; i < row.takenBefore; ++i)
            manager.create("spark");
        ComplexExplosionEvent event(sequence, row.event);
        const std::size_t live = explosionsLive("spark");
        LogCapture log;
        event.execute(&ship, false, row.place);
        event.execute(&ship, false, row.place);
        EXPECT_EQ(explosionsLive("spark"), live + (row.starts ? 2 : 0));
        EXPECT_EQ(log.lines(), row.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.line});
    }
}

} // namespace
} // namespace Tolvarine::Test
