// The developer test ground on a hand-driven clock, with its world replaced by a recorder: the
// lists it steps through, what it spawns and reloads, and a real inotify watch on a temporary
// data file.
#include "TestGround.h"

#include "FixedTask.h"
#include "InputHandler.h"
#include "LogCapture.h"
#include "ManualTicks.h"
#include "ScenarioWorld.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

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
    bool record(const std::string& event)
    {
        events += (events.empty() ? "" : ", ") + event;
        return true;
    }
    std::string folder;
};

// The clocks, input and scheduler of the game, a scenario "TestGround" with or without the
// faction "Player", and one data file per item in the world's folder.
struct Ground {
    explicit Ground(bool withPlayer = true)
    {
        world.addScript("ground.py", recordingScript("TestGround", "", withPlayer ? "scenario.createFactions()" : "pass"));
        world.preload();
        for (const char* item : {"bolt", "spark", "dart"})
            writeFile(world.path(item), "[Fireable]\n");
    }
    void press(const std::string& symbol) { input.pulseSymbol(input.getSymbol(symbol)); }

    ManualTicks ticks;
    InputHandler input;
    Scheduler scheduler;
    ScenarioWorld world;
    RecordingGround ground{world.path("")};
};

std::string shown(const TestGround& ground)
{
    return ground.getCategoryCaption() + "/" + ground.getItemCaption();
}

// The input keys step both lists each way, through "--" at both ends; "--" as the item keeps
// the spawn, and a category change takes the target away.
TEST(TestGround, KeysStepCategoriesAndItemsBothWaysThroughNone)
{
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> steps;  // key, shown afterwards
        const char* events;
    } rows[] = {
        {"categories forwards",
         {{"next_category", "Fireable/bolt"}, {"next_category", "Ship/dart"}, {"next_category", "--/--"},
          {"next_category", "Fireable/bolt"}},
         "untarget, target, remove, spawn bolt, untarget, remove, spawn dart, untarget, target, remove, spawn bolt"},
        {"categories backwards",
         {{"prev_category", "Ship/dart"}, {"prev_category", "Fireable/bolt"}, {"prev_category", "--/--"}},
         "untarget, remove, spawn dart, untarget, target, remove, spawn bolt"},
        {"items forwards",
         {{"next_category", "Fireable/bolt"}, {"next_item", "Fireable/spark"}, {"next_item", "Fireable/--"},
          {"next_item", "Fireable/bolt"}},
         "untarget, target, remove, spawn bolt, remove, spawn spark, remove, spawn bolt"},
        {"items backwards",
         {{"next_category", "Fireable/bolt"}, {"prev_item", "Fireable/--"}, {"prev_item", "Fireable/spark"},
          {"prev_item", "Fireable/bolt"}},
         "untarget, target, remove, spawn bolt, remove, spawn spark, remove, spawn bolt"},
        {"items with no category", {{"next_item", "--/--"}, {"prev_item", "--/--"}}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ground g;
        g.world.manager->loadScenario("TestGround");
        for (const auto& [key, expected] : row.steps) {
            SCOPED_TRACE(key);
            g.press(key);
            EXPECT_EQ(shown(g.ground), expected);
        }
        EXPECT_EQ(g.ground.events, row.events);
    }
}

// Without a scenario, or without its faction "Player", nothing is spawned and nothing watched.
TEST(TestGround, NoScenarioOrNoPlayerFactionLogsAndSpawnsNothing)
{
    const struct {
        const char* name;
        bool load;
        bool withPlayer;
        const char* line;
    } rows[] = {
        {"no scenario", false, true, "TestGround: there is no current scenario"},
        {"no faction Player", true, false, "TestGround: current scenario has no faction Player"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ground g(row.withPlayer);
        if (row.load)
            g.world.manager->loadScenario("TestGround");
        LogCapture log;
        g.press("next_category");
        g.press("next_category");
        EXPECT_TRUE(log.contains(row.line));
        EXPECT_EQ(shown(g.ground), "Ship/dart");
        // Earlier spawns are still taken away; nothing new is placed.
        EXPECT_EQ(g.ground.events, "untarget, remove, untarget, remove");
        EXPECT_EQ(g.ground.getDataFile(), "");
    }
}

// The watched data file, changed at given moments after a look, looked at by the watch task
// (made by the toggle key from inside a fixed task, as the input task does) for three seconds:
// each look more than a second after the last one reloads and respawns once for all the changes
// since.
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
    const std::string respawn = "remove, untarget, forget, reload Fireable, target, spawn bolt";
    const struct {
        const char* name;
        std::vector<std::pair<double, Change>> changes;
        bool reloadFails;
        std::string events;
        bool stillWatched;
    } rows[] = {
        {"untouched", {}, false, "", true},
        {"touched", {{0.25, touch}}, false, respawn, true},
        {"saved twice within a second", {{0.25, append}, {0.5, append}}, false, respawn, true},
        {"saved on either side of a look", {{0.25, append}, {1.5, append}}, false, respawn + ", " + respawn, true},
        {"replaced by a renamed file", {{0.25, replace}}, false, respawn, true},
        {"removed", {{0.25, removal}}, false, "", false},
        {"a reload that fails spawns nothing", {{0.25, append}}, true, "remove, untarget, forget, reload Fireable", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ground g;
        g.ground.reloadFails = row.reloadFails;
        bool pressToggle = true;
        FixedTask inputTask{[&](float, float) {
                                if (pressToggle)
                                    g.press("toggle_test_ground");
                                pressToggle = false;
                            },
                            "Process Input", 0};
        g.scheduler.run();
        ASSERT_TRUE(g.ground.isShown());
        ASSERT_TRUE(g.ground.isWatching());
        g.press("next_category");
        const std::string file = g.world.path("bolt");
        ASSERT_EQ(g.ground.getDataFile(), file);
        // A first look, from which the changes are timed.
        ManualTicks::advance(1.25);
        g.scheduler.run();
        g.ground.events.clear();
        LogCapture log;

        double elapsed = 0.0;
        auto change = row.changes.begin();
        while (elapsed < 3.0) {
            ManualTicks::advance(0.125);
            elapsed += 0.125;
            for (; change != row.changes.end() && change->first <= elapsed; ++change)
                change->second(file);
            g.scheduler.run();
        }
        EXPECT_EQ(g.ground.events, row.events);
        EXPECT_EQ(g.ground.getDataFile().empty(), !row.stillWatched);
        EXPECT_EQ(log.contains("Failed to open handle to " + file), !row.stillWatched);
        // Hidden from inside the input task, the watch task goes.
        pressToggle = true;
        g.scheduler.run();
        EXPECT_FALSE(g.ground.isWatching());
        g.scheduler.run();
    }
}

} // namespace
} // namespace Tolvarine::Test
