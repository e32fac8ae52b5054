// Explosion sequences on a hand-driven clock: event order, file checks and the end of the game.

#include "CommandEvent.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "LogCapture.h"
#include "MultiPoolFactory.h"
#include "ParticleSpray.h"
#include "Scenario.h"
#include "ScenarioWorld.h"
#include "SchedulerFixture.h"
#include "ShipExplosionEvent.h"
#include "ShipExplosionSequence.h"
#include "ShipFiles.h"
#include "ShipType.h"


namespace Tolvarine::Test {
namespace {

using Lines = std::vector<std::string>;

// Adds its label to the journal when it runs, then does its action.
class Marker : public ShipExplosionEvent {
public:
    Marker(std::string label, float time, std::string& journal, std::function<void()> action = {})
        : ShipExplosionEvent(time), label(std::move(label)), journal(journal), action(std::move(action))
    {
    }
    void execute(Controllable*, bool, const Ogre::Vector3&) override
    {
        journal += label;
        if (action)
            action();
    }

private:
    std::string label;
    std::string& journal;
    std::function<void()> action;
};

class ShipExplosionSequencePlayTest : public SchedulerFixture {
protected:
    ~ShipExplosionSequencePlayTest() override
    {
        world.reset();
        ShipExplosionSequence::unloadTypes();
        ShipType::unloadAll();
        ParticleSpray::getPools().clear();
    }
    TemporaryFolder folder;
    std::string journal;
    std::unique_ptr<ScenarioWorld> world;
};

TEST_F(ShipExplosionSequencePlayTest, TheEndOfTheGameEndsEverySequenceAndNothingOfItRunsAfterwards)
{
    struct Row {
        const char* name;
        bool scenario, factions, focused, unload;
        std::string log, ran;
    };
    const std::vector<Row> rows = {
        {"a command without a scenario", false, false, true, false, "CommandEvent: there is no current scenario", "xy"},
        {"a command without a Player faction", true, false, true, false,
         "CommandEvent: scenario Beta has no faction Player", "xy"},
        {"a command of a sequence that is not the player's", true, true, false, false, "", "xy"},
        {"a command with no Player ship left ends the game", true, true, true, false, "", ""},
        {"the scenario unloads in the middle", true, false, false, true, "", "unload"},
    };
    ShipExplosionSequence::loadTypes(folder.file(""));  // ties sequences to the end of a game
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
        ScenarioManager* manager = world ? world->manager.get() : nullptr;
        ShipExplosionSequence::getPoolFactory().clear();
        ShipExplosionSequence::getPoolFactory().registerType("Test", [&row, manager, this] {
            // Given out of time order: they run in time order.
            ShipExplosionSequence::Events events{std::make_shared<Marker>("y", 1.0f, journal)};
            if (row.unload)
                events.push_back(std::make_shared<Marker>("unload", 0.1f, journal, [=] { manager->unloadAll(); }));
            else
                events.push_back(std::make_shared<CommandEvent>(0.1f));
            events.push_back(std::make_shared<Marker>("x", 0.2f, journal));
            return new ShipExplosionSequence("Test", 0.5f, 0.0f, events);
        }, 1, "test.explosion_sequence");
        // The pool made it a second ago; its events must count from its start.
        passAt(scheduler.getTime() + 1.0);
        const double start = scheduler.getTime();
        ShipExplosionSequence::create("Test", nullptr, row.focused, Ogre::Vector3::ZERO);
        LogCapture log;
        passAt(start + 0.55 - work);
        passAt(start + 1.05 - work);
        const Lines lines = log.lines();
        EXPECT_EQ(row.log.empty() ? 0 : 1, std::count(lines.begin(), lines.end(), row.log));
        EXPECT_EQ(journal, row.ran);
        EXPECT_EQ(ShipExplosionSequence::getPoolFactory().getPool("Test")->getLiveCount(), 0u);
    }
}

TEST_F(ShipExplosionSequencePlayTest, EveryTypeIsBuiltAtLoadWhateverItsPoolSizeAndShipTypesAtStartUp)
{
    ParticleSpray::getPools().registerType("sparks", nullptr, 0, "sparks.spray");
    const std::string head = "[ShipExplosionSequence]\nupdatePeriod = 0.1\nupdateVariance = 0\n";
    const std::string spray = "[Event_S]\ntype = ParticleSpray\ntime = 0\nname = sparks\n";
    const std::string bad = folder.file("bad.explosion_sequence");
    const std::pair<std::string, std::string> rows[] = {
        {spray + "number = -1\n", "ParticleSprayEvent Event_S of " + bad + ": number -1 is negative"},
        {"[Event_B]\ntype = Boom\ntime = 0\n", "Unknown ShipExplosionEvent type: Boom"},
        {"[Event_C]\ntype = Camera\ntime = 0\ncamera = Orbit\n", "Unknown camera type in CameraEvent: Event_C"},
        // A view that moves away from its ship, further every frame, until its place is no number.
        {"[Event_C]\ntype = Camera\ntime = 0\ncamera = Chase\nspeed = -50\n", "Config: in " + bad + ", section Event_C, key speed"},
        {"[Event_C]\ntype = Camera\ntime = 0\ncamera = Free\nspeed = -50\n",
         "CameraEvent Event_C of " + bad + ": speed -50 is below 0: the view would move away from where it goes"},
        {"[Spray]\ntype = Deactivate\ntime = 0\n", "Cannot create empty ShipExplosionSequence"},
        {"[Event_N]\ntype = Sequence\ntime = 0\nname = tail\n", "Config: in " + bad + ", section Event_N, key offset"},
        {"[Event_N]\ntype = Sequence\ntime = 0\nname = gone\noffset = (0 0 0)\n", "SequenceEvent: there is no explosion sequence type gone"},
        {"[Event_S]\ntype = ParticleSpray\ntime = 0\nname = sparkz\n", "ParticleSprayEvent: there is no particle spray type sparkz"},
        {"[Event_L]\ntype = Sequence\ntime = 0.3\nname = bad\noffset = (0 0 0)\n",
         "SequenceEvent Event_L of " + bad + ": the sequence would start itself again and again: bad -> bad"},
        // Past a type that does not come back, to one that does.
        {"[Event_A]\ntype = Sequence\ntime = 0\nname = a\noffset = (0 0 0)\n[Event_L]\ntype = Sequence\ntime = 0\nname = hop\n"
         "offset = (0 0 0)\n",
         "SequenceEvent Event_L of " + bad + ": the sequence would start itself again and again: bad -> hop -> bad"},
    };
    // A Sequence event may name a type read after its own; a twin is the same type; other
    // extensions are no types at all. A spray event of any number is taken: the sprays in play
    // are bounded as a whole when it plays. So is a view of any speed from 0 up (a step closes
    // at most the whole way), and the drop camera, which takes no speed, at any.
    writeFile(folder.file("a.explosion_sequence"), head + "[Factory]\npoolSize = 1\n[Last_Event_D]\ntype = Deactivate\ntime = 2\n"
              "[Event_Zero]\ntype = Sequence\ntime = 0\nname = tail\noffset = (0 0 0)\n[MyEvent_S]\ntype = ParticleSpray\n"
              "time = 1\nname = sparks\nnumber = 100000\n");
    writeFile(folder.file("tail.explosion_sequence"), head + "[Event_D]\ntype = Deactivate\ntime = 0\n[Event_F]\ntype = Camera\n"
              "time = 0\ncamera = Chase\nspeed = 3e38\n[Event_G]\ntype = Camera\ntime = 0\ncamera = Drop\nspeed = -50\n");
    writeFile(folder.file("hop.explosion_sequence"), head + "[Event_B]\ntype = Sequence\ntime = 1\nname = bad\noffset = (0 0 0)\n");
    writeFile(folder.file("a.explosion_sequencex"), "[Factory]\npoolSize = 5\n");
    writeFile(folder.file("other.explosion"), "[Factory]\npoolSize = 5\n");
    for (const auto& [text, line] : rows) {
        SCOPED_TRACE(line);
        writeFile(bad, head + text);
        LogCapture log;
        EXPECT_THROW(ShipExplosionSequence::loadTypes(folder.file("")), ConfigurationError);
        EXPECT_TRUE(log.contains(line));
        EXPECT_TRUE(log.contains("ShipExplosionSequence: the type file " + bad + " is refused"));
        EXPECT_FALSE(ShipExplosionSequence::isType("a") || ShipExplosionSequence::getPoolFactory().hasType("a"));
    }
    for (const std::string& file : {bad, folder.file("hop.explosion_sequence")}) {
        std::filesystem::remove(file);
        std::filesystem::remove(file + "x");
    }
    ShipExplosionSequence::loadTypes(folder.file(""));
    EXPECT_EQ(ShipExplosionSequence::getPoolFactory().getTypeNames(), (Lines{"a", "tail"}));
    const ShipExplosionSequence::Events& events = ShipExplosionSequence::create("a", nullptr, false, Ogre::Vector3::ZERO)->getEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events.front()->getTime() + events.back()->getTime(), 2.0f);

    std::filesystem::create_directories(folder.file("ships"));
    writeFile(folder.file("ships/a.ship"), shipText("A", {{"explosionGroup", "a"}}));
    writeFile(folder.file("ships/b.ship"), shipText("B", {{"explosionGroup", "missing"}}));
    ShipType::loadAll(folder.file("ships"));
    EXPECT_EQ(failsWith<ConfigurationError>([] { ShipExplosionSequence::checkShipTypes(); }),
              (Lines{"Ship type B names the explosion sequence missing, which does not exist",
                     "Config: in " + folder.file("ships/b.ship") + ", section Ship, key explosionGroup"}));
}

} // namespace
} // namespace Tolvarine::Test
