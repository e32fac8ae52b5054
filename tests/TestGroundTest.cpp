// The developer test ground on a hand-driven clock, its world replaced by a recorder, with a real
// inotify watch on a temporary data file.
#include "TestGround.h"

#include "FixedTask.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace Tolvarine::Test {
namespace {

// A test ground whose world is a list of what was asked of it.
class RecordingGround : public TestGround {
public:
    explicit RecordingGround(std::string folder) : folder(std::move(folder)) {}
    std::string events;
    bool reloadFails = false;

protected:
    std::vector<std::string> typeNames(const std::string& category) const override
    {
        return category == FIREABLE ? std::vector<std::string>{"bolt", "spark"} : std::vector<std::string>{"dart"};
    }
    std::string dataFileOf(const std::string&, const std::string& item) const override { return folder + item; }
    bool placeTarget(Faction&) override { return record("target"); }
    void placeItem(const std::string&, const std::string& item, Faction&) override { record("spawn " + item); }
    void removeItem() override { record("remove"); }
    void removeTarget() override { record("untarget"); }
    void forgetSpawned() override { record("forget"); }
    bool reloadTypes(const std::string& category) override { return record("reload " + category) && !reloadFails; }

private:
    bool record(const std::string& event) { return events += (events.empty() ? "" : ", ") + event, true; }
    std::string folder;
};

// The game's clocks, input and scheduler, and the scenario "TestGround" with or without "Player".
struct Ground {
    explicit Ground(bool withPlayer)
    {
        world.addScript("ground.py", recordingScript("TestGround", "", withPlayer ? "scenario.createFactions()" : "pass"));
        world.preload();
        writeFile(world.path("bolt"), "[Fireable]\n");
    }
    void press(const std::string& symbol) { input.pulseSymbol(input.getSymbol(symbol)); }
    std::string shown() const { return ground.getCategoryCaption() + "/" + ground.getItemCaption(); }

    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    ScenarioWorld world;
    RecordingGround ground{world.path("")};
};

// The keys step both lists forwards through "--"; "--" as the item keeps the spawn. The back keys
// are bound to nothing that acts: the choice and what is in play stay. Without a scenario or its
// faction "Player" the test ground says so and places nothing.
TEST(TestGround, KeysStepBothListsForwardsTheBackKeysDoNothingAndSpawnsAreOnlyForThePlayer)
{
    const char* const pick = "untarget, target, remove, spawn bolt";
    const struct {
        const char* name;
        bool load, withPlayer;
        std::vector<std::pair<const char*, const char*>> steps;  // key, shown afterwards
        std::string events;
        const char* line;
    } rows[] = {
        {"categories forwards", true, true,
         {{"next_category", "Fireable/bolt"}, {"next_category", "Ship/dart"}, {"next_category", "--/--"},
          {"next_category", "Fireable/bolt"}},
         pick + std::string(", untarget, remove, spawn dart, ") + pick, ""},
        {"back keys before a choice", true, true, {{"prev_category", "--/--"}, {"prev_item", "--/--"}}, "", ""},
        {"items forwards", true, true,
         {{"next_category", "Fireable/bolt"}, {"next_item", "Fireable/spark"}, {"next_item", "Fireable/--"},
          {"next_item", "Fireable/bolt"}},
         pick + std::string(", remove, spawn spark, remove, spawn bolt"), ""},
        {"back keys after a choice", true, true,
         {{"next_category", "Fireable/bolt"}, {"next_item", "Fireable/spark"}, {"prev_item", "Fireable/spark"},
          {"prev_category", "Fireable/spark"}},
         pick + std::string(", remove, spawn spark"), ""},
        {"items with no category", true, true, {{"next_item", "--/--"}, {"prev_item", "--/--"}}, "", ""},
        {"no scenario", false, true, {{"next_category", "Fireable/bolt"}, {"next_category", "Ship/dart"}},
         "untarget, remove, untarget, remove", "TestGround: there is no current scenario"},
        {"no faction Player", true, false, {{"next_category", "Fireable/bolt"}},
         "untarget, remove", "TestGround: current scenario has no faction Player"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ground g(row.withPlayer);
        if (row.load)
            g.world.manager->loadScenario("TestGround");
        LogCapture log;
        for (const auto& [key, expected] : row.steps) {
            g.press(key);
            EXPECT_EQ(g.shown(), expected) << key;
        }
        EXPECT_EQ(g.ground.events, row.events);
        EXPECT_EQ(*row.line != 0, log.contains(row.line)) << row.line;
        // The unload takes the spawned objects back into their pools: the ground forgets them.
        g.ground.events.clear();
        g.world.manager->unloadAll();
        EXPECT_EQ(g.ground.events, row.load ? "forget" : "");
    }
}

// The data file, changed at moments after a look, looked at by the watch task (made and deleted
// by the toggle key from inside a fixed task, as the input task does) for three seconds: a look
// more than a second after the last one reloads and respawns once for all changes since.
TEST(TestGround, ASavedDataFileIsReloadedAndRespawnedAtTheNextLook)
{
    using Change = std::function<void(const std::string& file)>;
    const Change append = [](const std::string& file) { std::ofstream(file, std::ios::app) << "# edited\n"; };
    const Change touch = [](const std::string& file) {
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now());
    };
    const Change replace = [](const std::string& file) {
        writeFile(file + ".new", "[Fireable]\n");
        std::rename((file + ".new").c_str(), file.c_str());
    };
    const Change removal = [](const std::string& file) { std::filesystem::remove(file); };
    // The reload deletes the spawned projectile itself; the target is placed afresh.
    const std::string again = "reload Fireable, target, spawn bolt";
    const struct {
        const char* name;
        std::vector<std::pair<double, Change>> changes;
        bool reloadFails;
        std::string events;
        bool stops = false;
    } rows[] = {
        {"untouched", {}, false, ""},
        {"touched", {{0.25, touch}}, false, again},
        {"saved twice within a second", {{0.25, append}, {0.5, append}}, false, again},
        {"saved on either side of a look", {{0.25, append}, {1.5, append}}, false, again + ", " + again},
        {"replaced by a renamed file", {{0.25, replace}}, false, again},
        {"removed: no more looks", {{0.25, removal}, {1.5, append}}, false, "", true},
        {"a failed reload changes nothing", {{0.25, append}}, true, "reload Fireable"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ground g(true);
        g.ground.reloadFails = row.reloadFails;
        bool pressToggle = true;
        FixedTask inputTask{[&](float, float) { pressToggle = pressToggle && (g.press("toggle_test_ground"), false); },
                            "Process Input", 0};
        g.scheduler.run();
        ASSERT_TRUE(g.ground.isShown() && g.ground.isWatching());
        g.press("next_category");
        const std::string file = g.world.path("bolt");
        ASSERT_EQ(g.ground.getDataFile(), file);
        ManualTicks::advance(1.25);  // a first look, from which the changes are timed
        g.scheduler.run();
        g.ground.events.clear();
        LogCapture log;
        auto change = row.changes.begin();
        for (double elapsed = 0.125; elapsed <= 3.0; elapsed += 0.125) {
            ManualTicks::advance(0.125);
            for (; change != row.changes.end() && change->first <= elapsed; ++change)
                change->second(file);
            g.scheduler.run();
        }
        EXPECT_EQ(g.ground.events, row.events);
        EXPECT_EQ(g.ground.getDataFile().empty(), row.stops);
        EXPECT_EQ(log.contains("Failed to open handle to " + file), row.stops);
        pressToggle = true;
        g.scheduler.run();
        EXPECT_FALSE(g.ground.isWatching());
    }
}

} // namespace
} // namespace Tolvarine::Test
