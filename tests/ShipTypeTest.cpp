#include "ShipType.h"

#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "ShipFiles.h"

#include <gtest/gtest.h>


namespace Tolvarine::Test {
namespace {

class ShipTypeTest : public ::testing::Test {
protected:
    ShipTypeTest() { std::filesystem::create_directories(folder.file("entities")); }
    ~ShipTypeTest() override
    {
        ShipType::unloadAll();
        ShipType::setPoolLink({});
    }

    std::string path(const std::string& fileName) const { return folder.file("entities/" + fileName); }
    void write(const std::string& fileName, const std::string& text) const { writeFile(path(fileName), text); }
    void load() const { ShipType::loadAll(folder.file("entities")); }

    TemporaryFolder folder;
};

TEST_F(ShipTypeTest, ReadsKeysComponentsRolesAndTuning)
{
    write("wasp.ship",
          shipText("Wasp", {{"Physics.explosionBounce", "1"}},
                   componentText("Component_Hull", 100, {}, "meshPosition = (1 2 3)\ntrigger = 0.5\n"
                                                             "triggerExplosionGroup = Sparks\n"
                                                             "triggerParticleSystem = Smoke\n") +
                       "[Weapons]\nmesh = not a component\n" +
                       componentText("Wing Component_Left", 40) + componentText("Component_Engine", 60)));
    write("plain.ship", shipText("Plain", {{"maintenanceRate", ""}, {"Physics.triggerAllProjectiles", "1"},
                                           {"role", "interceptor"}}));
    write("big.ship", shipText("Big", {{"role", "capital"}}));
    load();
    const ShipType& type = ShipType::getByName("Wasp");
    EXPECT_EQ(type.getCollisionFlags(), ShipType::EXPLOSION_BOUNCE);
    EXPECT_EQ(type.getWeaponOverlay(), nullptr); // no overlay system: missing, not a crash
    ASSERT_EQ(type.getComponentCount(), 3u);
    // The name is the section name less its first ten characters, whatever stands before the marker.
    EXPECT_EQ(type.getComponentName(1), "nent_Left");
    EXPECT_EQ(type.getComponentTriggerExplosionGroup(0), "Sparks");
    EXPECT_THROW(type.getComponentArmour(3), std::out_of_range);
    const ShipType& plain = ShipType::getByName("Plain");
    EXPECT_EQ(plain.getComponentCount(), 0u);
    EXPECT_EQ(plain.getMaintenanceRate(), 0.0f);
    EXPECT_EQ(plain.getCollisionFlags(), ShipType::TRIGGER_ALL_PROJECTILES);
    EXPECT_EQ(plain.getRole(), ShipType::INTERCEPTOR);
    EXPECT_EQ(ShipType::getByName("Big").getRole(), ShipType::CAPITAL);

    // Tuning is interpolated by skill; Good may be below Bad, and skills beyond the range extrapolate.
    const std::pair<float, float> rows[] = {
        {type.getRotationCorrectionFactor(0.5f), 2.0f}, {type.getTargetLeadFactor(0.25f), 12.5f},
        {type.getPredictionAccuracy(1.0f), 0.75f},      {type.getAttackArrivalProportion(0.5f), 0.375f},
        {type.getMissileAvoidanceFactor(0.75f), 2.5f},  {type.getShockMovementThreshold(0.5f), 200.0f},
        {type.getShockDodgeThreshold(0.5f), 0.0f},      {type.getShockAttackThreshold(1.0f), 41.0f},
        {type.getShockHalflife(0.5f), 0.375f}, // interpolates the rates 1/2 and 1/4
        {type.getRotationCorrectionFactor(1.5f), 4.0f}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(rows[i].first, rows[i].second);
    }
}

TEST_F(ShipTypeTest, MissingAndMalformedKeysFailWithTheConfigurationsLogLine)
{
    // Type files are read as enciphered files, whose log lines keep keys and values out.
    struct Row { const char* name; std::map<std::string, std::string> changes; std::string extra, line; };
    const Row rows[] = {
        {"A", {{"explosionGroup", ""}}, "", "Key not found"},
        {"B", {}, "[Component_Hull]\nmesh = hull.mesh\n", "Key not found"},
        {"C", {{"shockDodgeThresholdGood", ""}}, "", "Key not found"},
        {"D", {{"maxForce", "lots"}}, "", "Failed lexical cast ("},
        // A half-life of 0 would make the AI's shock decay infinite.
        {"E", {{"shockHalflifeGood", "0"}}, "", "Ship type E has a shockHalflifeGood of 0"},
        {"F", {{"role", "Fighter"}}, "", "Ship type F has unknown role: Fighter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        write(std::string(row.name) + ".ship", shipText(row.name, row.changes, row.extra));
        if (row.name == std::string("D"))
            EXPECT_ANY_THROW(ShipType{path("D.ship")}); // the cast's own error
        else
            EXPECT_THROW(ShipType{path(std::string(row.name) + ".ship")}, ConfigurationError);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind(row.line, 0), 0u) << log.lines()[0];
    }
    EXPECT_THROW(load(), ConfigurationError); // a failed type stops the whole load
    LogCapture log;
    EXPECT_THROW(ShipType::loadAll(folder.file("nowhere")), ConfigurationError);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ShipType: cannot read folder " + folder.file("nowhere")});
}

TEST_F(ShipTypeTest, LoadAllTakesShipFilesInNameOrderAndRegistersTheirPools)
{
    std::vector<std::pair<std::string, int>> pools;
    ShipType::setPoolLink({[&pools](const std::string& name, int size) {
                               EXPECT_EQ(ShipType::getByName(name).getName(), name);
                               pools.emplace_back(name, size);
                           },
                           {},
                           {}});
    write("zeta.ship", shipText("Alpha"));
    write("beta.ship", shipText("Zulu", {{"poolSize", ""}}));
    write("gamma.ship", shipText("Mike", {{"poolSize", "7"}}));
    write("notes.txt", "[Ship]\n"); // which files are types is TypeFiles' own test
    load();

    EXPECT_EQ(ShipType::getTypeNames(), (std::vector<std::string>{"Zulu", "Mike", "Alpha"}));
    EXPECT_EQ(pools, (std::vector<std::pair<std::string, int>>{{"Zulu", 0}, {"Mike", 7}, {"Alpha", 3}}));
    EXPECT_EQ(&ShipType::getByFilename("zeta"), &ShipType::getByName("Alpha"));
    EXPECT_EQ(ShipType::getFilename("Mike"), "data/entities/Mike.ship");

    // Loaded types stay; a second load reads nothing.
    write("alpha.ship", shipText("Early"));
    load();
    EXPECT_EQ(ShipType::getTypeNames().size(), 3u);
    EXPECT_EQ(pools.size(), 3u);

    LogCapture log;
    EXPECT_THROW(ShipType::getByName("Early"), ConfigurationError);
    EXPECT_THROW(ShipType::getByFilename("Alpha"), ConfigurationError);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"ShipType Early not found", "ShipType file Alpha not found"}));
}

TEST_F(ShipTypeTest, APlainFileAndItsTwinAreOneType)
{
    std::vector<std::string> pools;
    int deactivations = 0, clears = 0;
    ShipType::setPoolLink({[&pools](const std::string& name, int) { pools.push_back(name); },
                           [&deactivations] { ++deactivations; }, [&clears] { ++clears; }});
    write("kite.ship", shipText("Kite"));
    write("same.ship", shipText("Kite", {{"description", "second"}}));
    load();
    ASSERT_TRUE(fileExists(path("kite.shipx")));
    EXPECT_EQ(ShipType::getByFilename("same").getDescription(), "second");
    EXPECT_EQ(ShipType::getByName("Kite").getDescription(), "Kite fighter"); // the first of a name keeps it
    // The next start finds both files.
    ShipType::reloadAll();
    EXPECT_EQ(deactivations + clears, 2);
    EXPECT_EQ(ShipType::getTypeNames(), (std::vector<std::string>{"Kite", "Kite"})); // not four: twins are one
    EXPECT_EQ(pools, (std::vector<std::string>{"Kite", "Kite", "Kite", "Kite"}));

    // The twin alone is read in place of the plain file.
    std::filesystem::remove(path("kite.ship"));
    ShipType::reloadAll();
    EXPECT_EQ(ShipType::getByFilename("kite").getDescription(), "Kite fighter");
}

} // namespace
} // namespace Tolvarine::Test
