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
    // Numbers the objects it makes, per name, in creation order.
    std::function<Pooled*()> creator(const std::string& name = "")
    {
        return [this, name] { return new Pooled(made[name]++); };
    }

    std::map<std::string, int> made;
    const int aliveAtStart = Pooled::alive;
};

TEST_F(PoolFactoryTest, HandsOutTheLastReleasedFirstGrowsByOneAndNeverHoldsAnObjectTwice)
{
    PoolFactory<Pooled> pool(creator(), 2);
    Pooled *a = pool.create(), *b = pool.create();
    pool.release(a);
    pool.release(b);
    EXPECT_FALSE(pool.isLive(b));
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
    EXPECT_EQ(pool.create(), grown);
    EXPECT_NE(pool.create(), grown);

    // Re-activating an active object deactivates it first, which releases it while its user still
    // holds it; reclaim() makes it live again so that nobody else is handed it.
    a->pool = &pool;
    a->deactivate();
    EXPECT_TRUE(pool.reclaim(a));
    EXPECT_TRUE(pool.isLive(a));
    EXPECT_NE(pool.create(), a);
    EXPECT_FALSE(pool.reclaim(a)) << "a live object is not idle";
    EXPECT_FALSE(pool.reclaim(&stranger));
    EXPECT_EQ(made[""], 5);
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, ACreatorFailureLeavesNothingHalfBuiltAndTheEngineEmptiesEveryPool)
{
    int calls = 0;
    const auto failsThird = [&calls]() { return ++calls == 3 ? throw std::runtime_error("no configuration") : new Pooled(calls); };
    // While growing for create(): the objects made before stay live.
    PoolFactory<Pooled> failing(failsThird, 2);
    failing.create();
    failing.create();
    EXPECT_THROW(failing.create(), std::runtime_error);
    EXPECT_EQ(failing.getLiveCount(), 2u);
    failing.destroyAll();
    // While prefilling: the pool never exists, and what it made is deleted (checked on tear-down).
    calls = 0;
    EXPECT_THROW(PoolFactory<Pooled>(failsThird, 5), std::runtime_error);

    TolvarineEngine engine;
    {
        PoolFactory<Pooled> first(creator(), 2);
        PoolFactory<Pooled> second(creator(), 1);
        ASSERT_EQ(engine.getCallbacks().size(), 2u);
        first.create();
        // The first callback deletes the first pool's live and idle objects, and only those.
        engine.getCallbacks()[0]();
        EXPECT_EQ(first.getLiveCount() + first.getFreeCount(), 0u);
        EXPECT_EQ(Pooled::alive, aliveAtStart + 1);
        first.create();
        EXPECT_EQ(made[""], 4) << "the emptied pool still works";
        first.destroyAll();
        second.destroyAll();
    }
    for (const auto& callback : engine.getCallbacks())
        callback(); // a callback that outlives its pool does nothing
}

TEST_F(PoolFactoryTest, NamedPoolsKeepTheFirstRegistrationAndRouteCreateAndRelease)
{
    MultiPoolFactory<Pooled> registry;
    TolvarineEngine engine;
    EXPECT_TRUE(registry.registerType("a", creator("a"), 2));
    EXPECT_FALSE(registry.registerType("a", creator("twin"), 5));
    EXPECT_EQ(made["twin"], 0);
    EXPECT_EQ(engine.getCallbacks().size(), 1u) << "no callback for a pool that is dropped";
    Tolvarine::Test::LogCapture log;
    EXPECT_TRUE(registry.registerType("b", creator("b"), -1));
    EXPECT_EQ(made["b"], 0);
    EXPECT_TRUE(log.contains("Multipool factory: pool size -1 of b is negative, using 0"));
    EXPECT_EQ(registry.getTypeNames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_THROW(registry.create("nosuch"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nosuch as there is no creator registered"));
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 2u) << "nothing is taken from any pool";
    Pooled* fromA = registry.create("a");
    registry.release(fromA, "b");
    registry.release(fromA, "unknown");
    EXPECT_TRUE(registry.getPool("a")->isLive(fromA)) << "released under the wrong names";
    registry.release(fromA, "a");
    EXPECT_EQ(registry.create("a"), fromA);

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
