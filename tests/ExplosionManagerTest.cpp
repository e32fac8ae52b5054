#include "CombatWorld.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "ExplosionManager.h"
#include "FatalError.h"
#include "LogCapture.h"

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

} // namespace
} // namespace Tolvarine::Test
