// Explosion sequences on a hand-driven game clock: when their events run, how their files are
// read, and how they end with the game of their scenario.

#include "CommandEvent.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "ScenarioWorld.h"
#include "SchedulerFixture.h"
#include "ShipExplosionEvent.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

using Lines = std::vector<std::string>;

// Writes its label into a journal when it runs, then does its action.
class Marker : public ShipExplosionEvent {
public:
    Marker(std::string label, float time, Lines& journal, std::function<void()> action = {})
        : ShipExplosionEvent(time), label(std::move(label)), journal(journal), action(std::move(action))
    {
    }
    void execute(Controllable*, bool, const Ogre::Vector3&) override
    {
        journal.push_back(label);
        if (action)
            action();
    }

private:
    std::string label;
    Lines& journal;
    std::function<void()> action;
};

class ShipExplosionSequencePlayTest : public SchedulerFixture {
protected:
    ~ShipExplosionSequencePlayTest() override
    {
        world.reset();
        ShipExplosionSequence::unloadTypes();
        ShipExplosionSequence::getPoolFactory().clear();
        ShipType::unloadAll();
    }

    // A pool "Test" whose sequences play `events` (made afresh for each sequence) every `period`,
    // and one of them started now.
    ShipExplosionSequence* startTest(float period, std::function<ShipExplosionSequence::Events()> events,
                                     bool focused = false)
    {
        ShipExplosionSequence::getPoolFactory().registerType(
            "Test", [period, events] { return new ShipExplosionSequence("Test", period, 0.0f, events()); }, 1);
        passAt(scheduler.getTime() + 1.0);
        start = scheduler.getTime();
        return ShipExplosionSequence::create("Test", nullptr, focused, Ogre::Vector3::ZERO);
    }

    // One pass whose tasks run `elapsed` seconds after the start.
    void updateAt(double elapsed) { passAt(start + elapsed - work); }

    std::size_t playing() const { return ShipExplosionSequence::getPoolFactory().getPool("Test")->getLiveCount(); }

    // A folder of sequence files, loaded (the load also ties sequences to the end of a game).
    void load(const std::vector<std::pair<std::string, std::string>>& files)
    {
        for (const auto& file : files)
            writeFile(folder.file(file.first), file.second);
        ShipExplosionSequence::loadTypes(folder.file(""));
    }

    TemporaryFolder folder;
    double start = 0.0;
    Lines journal;
    std::unique_ptr<ScenarioWorld> world;
};

TEST_F(ShipExplosionSequencePlayTest, EventsRunInTimeOrderAtTheFirstUpdateAfterTheirTime)
{
    struct Row {
        const char* name;
        float period;
        std::vector<std::pair<const char*, float>> events;  // in the order given, not by time
        std::vector<double> updates;
        std::vector<Lines> ranAt;  // sorted labels per update: equal times may run in either order
        std::size_t endsAt;         // the update after which the sequence is back in its pool
    };
    const std::vector<Row> rows = {
        {"equal times together, a later one at the first update after it", 1.0f,
         {{"c", 2.0f}, {"a", 0.5f}, {"b", 0.5f}}, {1.05, 1.95, 2.05}, {{"a", "b"}, {}, {"c"}}, 2},
        {"time 0 at the first update", 0.25f, {{"late", 0.6f}, {"zero", 0.0f}}, {0.3, 0.55, 0.8},
         {{"zero"}, {}, {"late"}}, 2},
        {"several updates due at once run everything that has passed", 1.0f,
         {{"one", 1.0f}, {"two", 2.0f}, {"three", 3.0f}}, {0.5, 3.05}, {{}, {"one", "three", "two"}}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        journal.clear();
        ShipExplosionSequence* sequence = startTest(row.period, [&row, this] {
            ShipExplosionSequence::Events events;
            for (const auto& event : row.events)
                events.push_back(std::make_shared<Marker>(event.first, event.second, journal));
            return events;
        });
        for (std::size_t i = 0; i + 1 < sequence->getEvents().size(); ++i)
            EXPECT_LE(sequence->getEvents()[i]->getTime(), sequence->getEvents()[i + 1]->getTime());
        std::size_t seen = 0;
        for (std::size_t i = 0; i < row.updates.size(); ++i) {
            updateAt(row.updates[i]);
            Lines ran(journal.begin() + static_cast<long>(seen), journal.end());
            seen = journal.size();
            std::sort(ran.begin(), ran.end());
            EXPECT_EQ(ran, row.ranAt[i]) << "update " << i;
            EXPECT_EQ(playing(), i < row.endsAt ? 1u : 0u) << "update " << i;
        }
        EXPECT_EQ(sequence->getTarget(), nullptr);
        ShipExplosionSequence::getPoolFactory().clear();
    }
}

TEST_F(ShipExplosionSequencePlayTest, TheEndOfTheGameEndsEverySequenceAndNothingOfItRunsAfterwards)
{
    struct Row {
        const char* name;
        bool scenario;
        bool factions;
        bool focused;
        // Run by the first event, in place of a command.
        std::function<void(ScenarioWorld&)> end;
        Lines log;
        Lines ran;
    };
    const Lines all = {"after", "last"};
    const std::vector<Row> rows = {
        {"a command without a scenario", false, false, true, {}, {"CommandEvent: there is no current scenario"}, all},
        {"a command without a Player faction", true, false, true, {},
         {"CommandEvent: scenario Beta has no faction Player"}, all},
        {"a command of a sequence that is not the player's", true, true, false, {}, {}, all},
        {"a command with no Player ship left ends the game", true, true, true, {}, {}, {}},
        {"the scenario unloads in the middle", true, false, false, [](ScenarioWorld& w) { w.manager->unloadAll(); },
         {}, {"end"}},
    };
    load({});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        journal.clear();
        world.reset();
        if (row.scenario) {
            world = std::make_unique<ScenarioWorld>();
            world->addScript("beta.py", recordingScript("Beta"));
            Scenario& beta = world->preload().loadScenario("Beta");
            if (row.factions)
                beta.createFactions();
        }
        const auto end = row.end;
        ScenarioWorld* ending = world.get();
        ShipExplosionSequence* sequence = startTest(0.5f, [this, end, ending] {
            ShipExplosionSequence::Events events;
            if (end)
                events.push_back(std::make_shared<Marker>("end", 0.1f, journal, [end, ending] { end(*ending); }));
            else
                events.push_back(std::make_shared<CommandEvent>(0.1f));
            events.push_back(std::make_shared<Marker>("after", 0.2f, journal));
            events.push_back(std::make_shared<Marker>("last", 1.0f, journal));
            return events;
        }, row.focused);
        LogCapture log;
        updateAt(0.55);
        Lines lines = log.lines();
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& line) { return line.rfind("CommandEvent", 0) != 0; }),
                    lines.end());
        EXPECT_EQ(lines, row.log);
        updateAt(1.05);
        EXPECT_EQ(journal, row.ran);
        EXPECT_EQ(playing(), 0u);
        EXPECT_EQ(sequence->getTarget(), nullptr);
        ShipExplosionSequence::getPoolFactory().clear();
    }
}

TEST_F(ShipExplosionSequencePlayTest, FilesAreCheckedWhenTheirSequencesAreBuilt)
{
    const std::string head = "[ShipExplosionSequence]\nupdatePeriod = 0.1\nupdateVariance = 0\n";
    struct Row {
        const char* name;
        std::string body;
        std::string log;  // empty: the sequence is built
    };
    const std::vector<Row> rows = {
        {"negative_spray", "[Event_S]\ntype = ParticleSpray\ntime = 0\nname = sparks\nnumber = -1\n",
         "ParticleSprayEvent Event_S: number -1 is negative"},
        {"unknown_type", "[Event_B]\ntype = Boom\ntime = 0\n", "Unknown ShipExplosionEvent type: Boom"},
        {"unknown_camera", "[Event_C]\ntype = Camera\ntime = 0\ncamera = Orbit\n",
         "Unknown camera type in CameraEvent: Event_C"},
        {"no_events", "[Spray]\ntype = Deactivate\ntime = 0\n", "Cannot create empty ShipExplosionSequence"},
        {"nested_without_offset", "[Event_N]\ntype = Sequence\ntime = 0\nname = good\n", "Key not found"},
        {"good", "[Last_Event_D]\ntype = Deactivate\ntime = 2\n[Event_Zero]\ntype = Command\ntime = 0\n"
                 "[MyEvent_Spray]\ntype = ParticleSpray\ntime = 1\nname = sparks\nnumber = 0\n",
         ""},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const Row& row : rows)
        files.emplace_back(std::string(row.name) + ".explosion_sequence", head + row.body);
    // A twin is the same type, and other extensions are no types at all.
    files.emplace_back("good.explosion_sequencex", "[Factory]\npoolSize = 5\n");
    files.emplace_back("other.explosion", head + rows.back().body);
    load(files);
    EXPECT_EQ(ShipExplosionSequence::getPoolFactory().getTypeNames().size(), rows.size());

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        if (row.log.empty()) {
            ShipExplosionSequence* sequence =
                ShipExplosionSequence::create(row.name, nullptr, false, Ogre::Vector3::ZERO);
            ASSERT_EQ(sequence->getEvents().size(), 3u);
            EXPECT_EQ(sequence->getEvents().front()->getTime(), 0.0f);
            EXPECT_EQ(sequence->getEvents().back()->getTime(), 2.0f);
            continue;
        }
        EXPECT_THROW(ShipExplosionSequence::create(row.name, nullptr, false, Ogre::Vector3::ZERO), ConfigurationError);
        const Lines lines = log.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), row.log), lines.end()) << ::testing::PrintToString(lines);
        EXPECT_EQ(ShipExplosionSequence::getPoolFactory().getPool(row.name)->getLiveCount(), 0u);
    }

    // A ship type whose sequence does not exist is refused before any battle.
    std::filesystem::create_directories(folder.file("ships"));
    writeFile(folder.file("ships/a.ship"), shipText("A", {{"explosionGroup", "good"}}));
    writeFile(folder.file("ships/b.ship"), shipText("B", {{"explosionGroup", "missing"}}));
    ShipType::loadAll(folder.file("ships"));
    LogCapture log;
    EXPECT_THROW(ShipExplosionSequence::checkShipTypes(), ConfigurationError);
    EXPECT_EQ(log.lines(), Lines{"Ship type B names the explosion sequence missing, which does not exist"});
}

} // namespace
} // namespace Tolvarine::Test
