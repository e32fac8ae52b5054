#include "ShipType.h"

#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "RenderingRoot.h"
#include "ShipFiles.h"
#include "TestMeshes.h"

#include <OgreResourceGroupManager.h>
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
        const std::vector<std::string> lines = log.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind(row.line, 0), 0u) << lines[0];
        // Every reason is followed by the file (and section and key).
        EXPECT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines.back().rfind("Config: in " + path(std::string(row.name) + ".ship") + ", section ", 0), 0u)
            << lines.back();
    }
    EXPECT_THROW(load(), ConfigurationError); // a failed type stops the whole load
    EXPECT_EQ(failsWith<ConfigurationError>([this] { ShipType::loadAll(folder.file("nowhere")); }), std::vector<std::string>{"ShipType: cannot read folder " + folder.file("nowhere")});
}

// What a ship needs in play is checked as its type loads, also when its pool starts empty and its
// first ship is built in the middle of a game: a NaN period stalled every task of the game, a NaN
// force left ships still, and a massless type with an empty pool ended the game at its first ship.
// Forces of 0 and periods of 0 or below play (a period of 0 runs its task at every pass) and load.
TEST_F(ShipTypeTest, EveryTypeIsCheckedForWhatItsShipsNeedWhateverItsPoolSize)
{
    const std::string file = path("drone.ship");
    // A damage wireframe whose component sits 5 units from its centre, its mesh reaching 3 about it.
    const RenderingRoot engine(RenderingRoot::Kind::Headless);
    createMesh("hull.mesh", Ogre::RGN_DEFAULT, boxShape(Ogre::Vector3(1, 2, 2)));
    const std::pair<std::string, std::string> hull[] = {
        {"Component_Hull.mesh", "hull.mesh"}, {"Component_Hull.armor", "10"}, {"Component_Hull.meshPosition", "(0 3 -4)"}};
    const std::string drawn = " the longest length the renderer can draw";
    const struct { std::map<std::string, std::string> changes; std::string line; const char* section; const char* key; } rows[] = {
        {{{"Physics.mass", "0"}}, "PhysicsBody: mass in section Physics must be a positive number, not 0", "Physics", "mass"},
        {{{"maxForce", "nan"}}, "Failed lexical cast (not a finite number)", "Thrust", "maxForce"},
        {{{"behaviourUpdatePeriod", "inf"}}, "Failed lexical cast (not a finite number)", "Behaviour", "behaviourUpdatePeriod"},
        {{{"maxTorque", "0"}}, "", "", ""},
        {{{"updatePeriod", "-1"}}, "", "", ""},
        {{{"missileAvoidancePeriod", "0"}}, "", "", ""},
        // A view 1.2e11 out ended the game through the collision library's abort on the star's ray
        // from the chase view, and 3.4e38 out through the renderer's or the sound layer's; 1e11 played.
        {{{"Targetable.chaseOffset", "(0 0 -1.2e11)"}}, file + ": chaseOffset (0 0 -1.2e+11) reaches 1.2e+11 on an axis, "
                                                             "where a view that far from what it follows ended the game", "Targetable", "chaseOffset"},
        {{{"Targetable.fixedOffset", "(3.4e38 0 0)"}}, file + ": fixedOffset (3.4e+38 0 0) reaches 1.2e+11 on an axis, "
                                                            "where a view that far from what it follows ended the game", "Targetable", "fixedOffset"},
        {{{"Targetable.dropOffset", "(1.1e11 -1.1e11 1.1e11)"}}, "", "", ""},
        // A scale of 3.4e38 ended the game through the renderer's assertion on the wireframe's box.
        {{{"damageWireframeScale", "2.5e37"}, hull[0], hull[1], hull[2]}, file + ": damageWireframeScale 2.5e+37 draws "
                                "the damage wireframe 2e+38 units out (its meshes reach 8 from its centre), beyond 1.70141e+38," + drawn,
         "Ship", "damageWireframeScale"},
        {{{"damageWireframeScale", "-2.1e37"}, hull[0], hull[1], hull[2]}, "", "", ""},
    };
    for (const auto& row : rows) {
        std::string trace;
        for (const auto& [key, value] : row.changes)
            trace += key + " = " + value + "; ";
        SCOPED_TRACE(trace);
        std::map<std::string, std::string> changes = row.changes;
        changes.emplace("poolSize", "0");
        const std::string text = shipText("drone", changes);
        write("drone.ship", text);
        LogCapture log;
        if (!row.line.empty()) {
            EXPECT_ANY_THROW(load()); // a NaN is the value reader's conversion error
            EXPECT_EQ(log.lines(), (std::vector<std::string>{row.line, std::string("Config: in ") + file + ", section "
                                                                          + row.section + ", key " + row.key}));
        } else {
            EXPECT_NO_THROW(load());
            EXPECT_EQ(ShipType::getTypeNames(), std::vector<std::string>{"drone"});
        }
        ShipType::unloadAll();
    }
}

// Of two files that give one type name the first in load order keeps the name, and the start goes
// on with one line that names both files; the second is still listed and found by its file name.
TEST_F(ShipTypeTest, OfTwoFilesThatGiveOneNameTheFirstKeepsItWithALineNamingBoth)
{
    std::vector<std::pair<std::string, int>> pools;
    ShipType::setPoolLink({[&pools](const std::string& name, int size, const std::string&) { pools.emplace_back(name, size); }, {}, {}, {}, {}, {}});
    write("kestrel.ship", shipText("kestrel", {{"poolSize", "2"}, {"maxForce", "640"}}));
    write("kestrel_mk2.ship", shipText("kestrel", {{"poolSize", "5"}, {"maxForce", "900"}}));
    LogCapture log;
    EXPECT_NO_THROW(load());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ShipType: " + path("kestrel_mk2.ship") + " repeats the ship type name kestrel of "
                                                    + path("kestrel.ship") + "; the first file keeps it"});
    EXPECT_EQ(ShipType::getByName("kestrel").getMaxForce(), 640.0f);
    EXPECT_EQ(ShipType::getByFilename("kestrel_mk2").getMaxForce(), 900.0f);
    EXPECT_EQ(ShipType::getTypeNames(), (std::vector<std::string>{"kestrel", "kestrel"}));
    // Both register a pool under the name; the pool factory keeps the first.
    EXPECT_EQ(pools, (std::vector<std::pair<std::string, int>>{{"kestrel", 2}, {"kestrel", 5}}));
}

TEST_F(ShipTypeTest, LoadAllTakesShipFilesInNameOrderAndRegistersTheirPools)
{
    std::vector<std::pair<std::string, int>> pools;
    ShipType::setPoolLink({[&pools](const std::string& name, int size, const std::string&) {
                               EXPECT_EQ(ShipType::getByName(name).getName(), name);
                               pools.emplace_back(name, size);
                           },
                           {},
                           {},
                           {},
                           {},
                           {}});
    write("zeta.ship", shipText("Alpha", {{"Physics.explosionBounce", "1"},
                                          {"Physics.triggerAllProjectiles", "1"}}));
    write("beta.ship", shipText("Zulu", {{"poolSize", ""}}));
    write("gamma.ship", shipText("Mike", {{"poolSize", "7"}}));
    write("notes.txt", "[Ship]\n"); // which files are types is TypeFiles' own test
    load();

    EXPECT_EQ(ShipType::getTypeNames(), (std::vector<std::string>{"Zulu", "Mike", "Alpha"}));
    EXPECT_EQ(pools, (std::vector<std::pair<std::string, int>>{{"Zulu", 0}, {"Mike", 7}, {"Alpha", 3}}));
    EXPECT_EQ(&ShipType::getByFilename("zeta"), &ShipType::getByName("Alpha"));
    EXPECT_EQ(ShipType::getFilename("Mike"), "data/entities/Mike.ship");
    // Tuning goes by skill from Bad to Good (which may be lower) and extrapolates beyond; the
    // half-life interpolates the rates 1/2 and 1/4.
    const ShipType& alpha = ShipType::getByName("Alpha");
    EXPECT_FLOAT_EQ(alpha.getMissileAvoidanceFactor(0.75f), 2.5f);
    EXPECT_FLOAT_EQ(alpha.getRotationCorrectionFactor(1.5f), 4.0f);
    EXPECT_FLOAT_EQ(alpha.getShockHalflife(0.5f), 0.375f);
    EXPECT_EQ(alpha.getWeaponOverlay(), nullptr); // no overlay system: missing, not a crash
    EXPECT_EQ(alpha.getCollisionFlags(),
              ShipType::EXPLOSION_BOUNCE | ShipType::TRIGGER_ALL_PROJECTILES);

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

// A reload reads and checks every file, then what names the new types, before it takes any: a file
// refused by its own values, by the check of what its ships need (a type whose pool starts empty
// once kept its pool) or by the references leaves the types and their pools as they were.
TEST_F(ShipTypeTest, AReloadThatRefusesAFileLeavesTheTypesAndTheirPools)
{
    std::vector<std::string> events;
    bool referencesFail = false;
    const auto record = [&events](const std::string& event) { return [&events, event] { events.push_back(event); }; };
    ShipType::setPoolLink({[&events](const std::string& name, int, const std::string&) { events.push_back("pool " + name); },
                           record("deactivate"), record("clear"), record("release"),
                           [](const ShipType& type) {
                               if (type.getMaxForce() == 13.0f)
                                   throw ConfigurationError();
                           },
                           [&events, &referencesFail] {
                               events.push_back("references of " + std::to_string(ShipType::getTypeNames().size()));
                               if (referencesFail)
                                   throw ConfigurationError();
                           }});
    write("alpha.ship", shipText("alpha"));
    load();
    const ShipType* alpha = &ShipType::getByName("alpha");
    const struct { const char* name; std::map<std::string, std::string> changes; bool references; std::vector<std::string> events; } rows[] = {
        {"its own value", {{"Physics.mass", "nan"}, {"poolSize", "0"}}, false, {}},
        {"the check of its ships", {{"maxForce", "13"}, {"poolSize", "0"}}, false, {}},
        {"the references", {}, true, {"references of 2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        events.clear();
        write("beta.ship", shipText("beta", row.changes));
        referencesFail = row.references;
        EXPECT_ANY_THROW(ShipType::reloadAll());
        EXPECT_EQ(events, row.events);
        EXPECT_EQ(ShipType::getTypeNames(), std::vector<std::string>{"alpha"});
        EXPECT_EQ(&ShipType::getByName("alpha"), alpha);
    }
    events.clear();
    referencesFail = false;
    write("beta.ship", shipText("beta"));
    ShipType::reloadAll();
    EXPECT_EQ(events, (std::vector<std::string>{"references of 2", "release", "deactivate", "clear", "pool alpha", "pool beta"}));
    EXPECT_EQ(ShipType::getTypeNames(), (std::vector<std::string>{"alpha", "beta"}));
    ShipType::setPoolLink({}); // the fixture's unload comes after the records have gone
}

} // namespace
} // namespace Tolvarine::Test
