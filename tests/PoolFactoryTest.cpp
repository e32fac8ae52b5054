#include "FatalError.h"
#include "LogCapture.h"
#include "MultiPoolFactory.h"
#include "PoolFactory.h"
#include "TolvarineEngine.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

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
        ++deactivations;
        if (pool)
            pool->release(this);
    }

    static int alive;
    const int serial;
    int deactivations = 0;
    PoolFactory<Pooled>* pool = nullptr;
};

int Pooled::alive = 0;

// Counts the objects it makes and numbers them in creation order.
struct CountingCreator {
    int* made;
    Pooled* operator()() const { return new Pooled((*made)++); }
};

class PoolFactoryTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Pooled::alive, aliveAtStart) << "objects leaked or double-deleted"; }

    int made = 0;
    const int aliveAtStart = Pooled::alive;
};

TEST_F(PoolFactoryTest, HandsOutTheLastReleasedFirstGrowsByOneAndNeverHoldsAnObjectTwice)
{
    PoolFactory<Pooled> pool(CountingCreator{&made}, 2);
    EXPECT_EQ(made, 2);
    Pooled* a = pool.create();
    Pooled* b = pool.create();
    pool.release(a);
    pool.release(b);
    EXPECT_FALSE(pool.isLive(b));
    EXPECT_EQ(pool.create(), b);
    EXPECT_EQ(pool.create(), a);
    // An exhausted pool keeps growing, one object per request, and keeps what it grew.
    Pooled* grown = pool.create();
    EXPECT_EQ(grown->serial, 2);
    EXPECT_EQ(pool.getLiveCount(), 3u);

    // Released twice, or never handed out by this pool: idle once, or not taken in.
    pool.release(grown);
    pool.release(grown);
    Pooled stranger(99);
    pool.release(&stranger);
    EXPECT_EQ(pool.getFreeCount(), 1u);
    EXPECT_EQ(pool.create(), grown);
    EXPECT_NE(pool.create(), grown);
    EXPECT_EQ(made, 4);
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, AnObjectReactivatedWhileLiveCanTakeItselfBack)
{
    // Re-activating an active object deactivates it first, which releases it while its user
    // still holds it; reclaim() makes it live again so that nobody else is handed it.
    PoolFactory<Pooled> pool(CountingCreator{&made}, 1);
    Pooled* object = pool.create();
    object->pool = &pool;
    object->deactivate();
    EXPECT_TRUE(pool.reclaim(object));
    EXPECT_TRUE(pool.isLive(object));
    EXPECT_NE(pool.create(), object);
    EXPECT_FALSE(pool.reclaim(object)) << "a live object is not idle";
    Pooled stranger(99);
    EXPECT_FALSE(pool.reclaim(&stranger));
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, ACreatorFailureLeavesNothingHalfBuilt)
{
    // Fails on its third call.
    int calls = 0;
    const auto failing = [&calls]() -> Pooled* {
        if (++calls == 3)
            throw std::runtime_error("no configuration");
        return new Pooled(calls);
    };
    // While growing for create(): the objects made before stay live.
    PoolFactory<Pooled> pool(failing, 2);
    pool.create();
    pool.create();
    EXPECT_THROW(pool.create(), std::runtime_error);
    EXPECT_EQ(pool.getLiveCount(), 2u);
    EXPECT_EQ(pool.getFreeCount(), 0u);
    pool.destroyAll();

    // While prefilling: the pool never exists, and what it made is deleted (checked on tear-down).
    calls = 0;
    EXPECT_THROW(PoolFactory<Pooled>(failing, 5), std::runtime_error);
}

TEST_F(PoolFactoryTest, EachPoolRegistersItsDestroyAllWithTheEngine)
{
    TolvarineEngine engine;
    {
        PoolFactory<Pooled> first(CountingCreator{&made}, 2);
        PoolFactory<Pooled> second(CountingCreator{&made}, 1);
        ASSERT_EQ(engine.getCallbacks().size(), 2u);
        first.create();

        // The first callback deletes the first pool's live and idle objects, and only those.
        engine.getCallbacks()[0]();
        EXPECT_EQ(first.getLiveCount() + first.getFreeCount(), 0u);
        EXPECT_EQ(Pooled::alive, aliveAtStart + 1);
        // The emptied pool still works.
        first.create();
        EXPECT_EQ(made, 4);
        first.destroyAll();
        second.destroyAll();
    }
    // A callback that outlives its pool does nothing.
    for (const auto& callback : engine.getCallbacks())
        callback();
    EXPECT_EQ(Pooled::alive, aliveAtStart);
}

class MultiPoolFactoryTest : public PoolFactoryTest {
protected:
    // Creators bound to a type name, as loaders make them; counts what each name made.
    MultiPoolFactory<Pooled>::Creator creatorFor(const std::string& name)
    {
        return [this, name]() { return new Pooled(madeByName[name]++); };
    }

    std::map<std::string, int> madeByName;
};

TEST_F(MultiPoolFactoryTest, RegistrationKeepsTheFirstPoolAndNamesRouteCreateAndRelease)
{
    MultiPoolFactory<Pooled> registry;
    TolvarineEngine engine;
    EXPECT_TRUE(registry.registerType("a", creatorFor("a"), 2));
    EXPECT_FALSE(registry.registerType("a", creatorFor("twin"), 5));
    EXPECT_EQ(madeByName["twin"], 0);
    EXPECT_EQ(engine.getCallbacks().size(), 1u) << "no callback for a pool that is dropped";
    Tolvarine::Test::LogCapture log;
    EXPECT_TRUE(registry.registerType("b", creatorFor("b"), -1));
    EXPECT_EQ(madeByName["b"], 0);
    EXPECT_TRUE(log.contains("Multipool factory: pool size -1 of b is negative, using 0"));
    EXPECT_EQ(registry.getTypeNames(), (std::vector<std::string>{"a", "b"}));

    EXPECT_THROW(registry.create("nosuch"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nosuch as there is no creator registered"));
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 2u) << "nothing is taken from any pool";

    Pooled* fromA = registry.create("a");
    for (const char* wrong : {"b", "unknown"}) {
        registry.release(fromA, wrong);
        EXPECT_TRUE(registry.getPool("a")->isLive(fromA)) << wrong;
    }
    registry.release(fromA, "a");
    EXPECT_EQ(registry.create("a"), fromA);
    registry.clear();
    EXPECT_THROW(registry.create("a"), FatalError);
}

TEST_F(MultiPoolFactoryTest, ReleaseAllDeactivatesEveryLiveObjectOnce)
{
    MultiPoolFactory<Pooled> registry;
    registry.registerType("a", creatorFor("a"), 2);
    registry.registerType("b", creatorFor("b"), 0);
    std::vector<Pooled*> live;
    for (const char* name : {"a", "a", "a", "b", "b"}) {
        Pooled* object = registry.create(name);
        object->pool = registry.getPool(name);
        live.push_back(object);
    }
    // One object's deactivation also ends another one (as a ship ends what it carries):
    // that one must not be deactivated a second time.
    Pooled* carrier = live[0];
    Pooled* carried = live[1];
    int calls = 0;
    registry.releaseAll([&](Pooled* object) {
        ++calls;
        object->deactivate();
        if (object == carrier || object == carried) {
            Pooled* other = object == carrier ? carried : carrier;
            if (registry.getPool("a")->isLive(other))
                other->deactivate();
        }
    });
    for (Pooled* object : live)
        EXPECT_EQ(object->deactivations, 1) << "object " << object->serial;
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 3u);
    EXPECT_EQ(registry.getPool("b")->getFreeCount(), 2u);
    registry.clear();
}

} // namespace
} // namespace Tolvarine
