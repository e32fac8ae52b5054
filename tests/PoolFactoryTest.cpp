#include "FatalError.h"
#include "LogCapture.h"
#include "MultiPoolFactory.h"
#include "PoolFactory.h"
#include "TolvarineEngine.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

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
    EXPECT_TRUE(registry.registerType("a", creator(), 2));
    EXPECT_FALSE(registry.registerType("a", [] { return new Pooled(-1); }, 5));
    EXPECT_TRUE(registry.registerType("b", creator(), -1));
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

} // namespace
} // namespace Tolvarine
