#include "ConfigurationError.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "MemoryRoom.h"
#include "MultiPoolFactory.h"
#include "NormalExit.h"
#include "PoolFactory.h"
#include "TolvarineEngine.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <iostream>

namespace Tolvarine {
namespace {

// In a child process (its limit lasts its life): sets its address-space limit `room` kB above
// what it uses and runs `registration`, writes the log lines to standard error and exits 0 where
// the registration was refused with ConfigurationError, 1 where not.
[[noreturn]] void refusedUnderAddressSpaceLimit(long room, const std::function<void()>& registration)
{
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(MemoryRoom::addressSpaceKilobytes() + room) * 1024;
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        std::exit(2);
    Tolvarine::Test::LogCapture log;
    bool refused = false;
    try {
        registration();
    } catch (const ConfigurationError&) {
        refused = true;
    }
    for (const std::string& line : log.lines())
        std::cerr << line << "\n";
    std::exit(refused ? 0 : 1);
}

// A pooled element as the game's pooled classes are: a virtual destructor and a virtual
// deactivate that gives the object back to its pool.
class Pooled {
public:
    explicit Pooled(int serial) : serial(serial) { ++alive; }
    virtual ~Pooled() { --alive; }
    virtual void deactivate()
    {
        if (++deactivations && pool)
            pool->release(this);
    }

    static inline int alive = 0;
    const int serial;
    int deactivations = 0;
    PoolFactory<Pooled>* pool = nullptr;
};

class PoolFactoryTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Pooled::alive, aliveAtStart) << "objects leaked or double-deleted"; }
    std::function<Pooled*()> creator()
    {
        return [this] { return new Pooled(made++); };
    }

    int made = 0;
    const int aliveAtStart = Pooled::alive;
};

TEST_F(PoolFactoryTest, HandsOutTheLastReleasedFirstHoldsNoObjectTwiceAndSurvivesCreatorFailures)
{
    TolvarineEngine engine;
    PoolFactory<Pooled> pool(creator(), 2);
    Pooled *a = pool.create(), *b = pool.create();
    pool.release(a);
    pool.release(b);
    EXPECT_EQ(pool.create(), b);
    EXPECT_EQ(pool.create(), a);
    Pooled* grown = pool.create();
    EXPECT_EQ(grown->serial, 2);
    // Released twice, or never handed out by this pool: idle once, or not taken in.
    pool.release(grown);
    pool.release(grown);
    Pooled stranger(99);
    pool.release(&stranger);
    EXPECT_EQ(pool.getFreeCount(), 1u);
    // Re-activating an active object deactivates it first, which releases it while its user still
    // holds it; reclaim() makes it live again so that nobody else is handed it.
    a->pool = &pool;
    a->deactivate();
    EXPECT_TRUE(pool.reclaim(a));
    EXPECT_EQ(pool.create(), grown);
    EXPECT_FALSE(pool.reclaim(a)) << "a live object is not idle";
    // The engine's callback deletes the pool's live and idle objects; the emptied pool still works.
    ASSERT_EQ(engine.getCallbacks().size(), 1u);
    engine.getCallbacks()[0]();
    EXPECT_EQ(Pooled::alive, aliveAtStart + 1);
    pool.create();
    pool.destroyAll();

    // A creator failure while growing for create() keeps the objects made before live; while
    // prefilling, the pool never exists and what it made is deleted (checked on tear-down).
    int calls = 0;
    const auto failsThird = [&calls]() { return ++calls == 3 ? throw std::runtime_error("no configuration") : new Pooled(calls); };
    {
        PoolFactory<Pooled> failing(failsThird, 2);
        failing.create();
        failing.create();
        EXPECT_THROW(failing.create(), std::runtime_error);
        EXPECT_EQ(failing.getLiveCount(), 2u);
        failing.destroyAll();
    }
    calls = 0;
    EXPECT_THROW(PoolFactory<Pooled>(failsThird, 5), std::runtime_error);
    for (const auto& callback : engine.getCallbacks())
        callback(); // a callback that outlives its pool does nothing
}

TEST_F(PoolFactoryTest, NamedPoolsKeepTheFirstRegistrationAndReleaseAllDeactivatesEachOnce)
{
    MultiPoolFactory<Pooled> registry;
    Tolvarine::Test::LogCapture log;
    EXPECT_TRUE(registry.registerType("a", creator(), 2, "a.cfg"));
    EXPECT_FALSE(registry.registerType("a", [] { return new Pooled(-1); }, 5, "a.cfgx"));
    EXPECT_TRUE(registry.registerType("b", creator(), -1, "b.cfg"));
    EXPECT_EQ(made, 2);
    EXPECT_TRUE(log.contains("Multipool factory: pool size -1 of b is negative, using 0"));
    EXPECT_THROW(registry.create("nosuch"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nosuch as there is no creator registered"));
    Pooled* fromA = registry.create("a");
    registry.release(fromA, "b");
    EXPECT_TRUE(registry.getPool("a")->isLive(fromA)) << "released under the wrong name";

    // Releasing all deactivates every live object once, also when one object's deactivation ends
    // another (as a ship ends what it carries).
    std::vector<Pooled*> live{fromA};
    for (const char* name : {"a", "a", "b", "b"})
        live.push_back(registry.create(name));
    for (Pooled* object : live)
        object->pool = registry.getPool(object == live[3] || object == live[4] ? "b" : "a");
    int calls = 0;
    registry.releaseAll([&](Pooled* object) {
        ++calls;
        object->deactivate();
        Pooled* other = object == live[0] ? live[1] : object == live[1] ? live[0] : nullptr;
        if (other && registry.getPool("a")->isLive(other))
            other->deactivate();
    });
    EXPECT_TRUE(std::all_of(live.begin(), live.end(), [](const Pooled* object) { return object->deactivations == 1; }));
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 3u);
    registry.clear();
    EXPECT_THROW(registry.create("a"), FatalError);
}

// A pool size is refused only when the memory cannot hold the pool; before, any size above 4096
// was refused, though 4,000 Trifighters took 120 MB. The limits set on the process count beside
// the machine's memory: under an address-space limit, a pool that the machine held was filled for
// minutes until a reservation failed.
TEST_F(PoolFactoryTest, APoolIsRefusedOnlyWhenTheMemoryCannotHoldIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Each object holds 64 kB, written so that it is resident.
    struct Heavy : Pooled {
        explicit Heavy(int serial) : Pooled(serial), bytes(64 * 1024, 'x') {}
        std::vector<char> bytes;
    };
    const std::function<Pooled*()> heavy = [this] { return new Heavy(made++); };
    const std::function<Pooled*()> refused = []() -> Pooled* { throw std::bad_alloc(); };
    const std::string runsOut = " cannot be made: the machine's memory would run out";
    const struct {
        const char* name;
        std::function<Pooled*()> create;
        int size;
        // The second line starts with the last one given; under a limit, the two are a pattern.
        std::vector<std::string> lines;
        long addressSpaceRoom;  // kB that the row's address-space limit leaves; 0 for none
    } rows[] = {
        {"many", creator(), 5000, {}, 0},
        {"huge", heavy, 100000000,
         {"Multipool factory: pool size 100000000 of huge in data/huge.cfg" + runsOut, "Multipool factory: the first 1024 took "}, 0},
        {"refused", refused, 3, {"Multipool factory: pool size 3 of refused in data/refused.cfg" + runsOut,
                                 "Multipool factory: a reservation for them was refused"}, 0},
        // 1.3 GB under a limit that leaves 600 MB.
        {"limited", heavy, 20000, {"Multipool factory: pool size 20000 of limited in data/limited.cfg" + runsOut,
                                   "Multipool factory: the first [0-9]+ took [0-9]+ MB of address space, .*, and the "
                                   "process's address-space limit leaves [0-9]+ MB, of which"}, 600 * 1024},
    };
    MultiPoolFactory<Pooled> registry;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Tolvarine::Test::LogCapture log;
        const int aliveBefore = Pooled::alive;
        const std::string file = std::string("data/") + row.name + ".cfg";
        if (row.addressSpaceRoom > 0) {
            EXPECT_EXIT(refusedUnderAddressSpaceLimit(row.addressSpaceRoom,
                                                      [&] { registry.registerType(row.name, row.create, row.size, file); }),
                        ::testing::ExitedWithCode(0), row.lines[0] + "\n" + row.lines[1]);
            continue;
        }
        if (row.lines.empty()) {
            EXPECT_TRUE(registry.registerType(row.name, row.create, row.size, file));
            EXPECT_EQ(Pooled::alive - aliveBefore, row.size);
            continue;
        }
        EXPECT_THROW(registry.registerType(row.name, row.create, row.size, file), ConfigurationError);
        EXPECT_FALSE(registry.hasType(row.name));
        EXPECT_EQ(Pooled::alive, aliveBefore) << "what the refused pool made is deleted";
        ASSERT_EQ(log.lines().size(), 2u);
        EXPECT_EQ(log.lines()[0], row.lines[0]);
        EXPECT_EQ(log.lines()[1].rfind(row.lines[1], 0), 0u) << log.lines()[1];
    }
    // Asked to end while it fills (SIGTERM at start-up), the fill stops at its next check, and
    // what it made is left to the end of the process: here it is deleted by hand.
    std::vector<Pooled*> leftToTheEnd;
    FillWatch::setEndRequest([] { return true; });
    Tolvarine::Test::LogCapture log;
    EXPECT_THROW(registry.registerType("ending", [&] { return leftToTheEnd.emplace_back(new Pooled(made++)); }, 5000,
                                       "data/ending.cfg"),
                 NormalExit);
    FillWatch::setEndRequest(nullptr);
    EXPECT_EQ(leftToTheEnd.size(), PoolFactory<Pooled>::CHECK_EVERY);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"The start-up stops: the game was asked to end while it filled a pool "
                                                    "(1024 of 5000 made)"});
    for (Pooled* object : leftToTheEnd)
        delete object;
    registry.clear();
}

} // namespace
} // namespace Tolvarine
