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

TEST_F(PoolFactoryTest, EmptyPoolGrowsByOneAndReusesTheReleasedObject)
{
    PoolFactory<Pooled> pool(CountingCreator{&made}, 0);
    EXPECT_EQ(made, 0);

    Pooled* first = pool.create();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(pool.isLive(first));
    pool.release(first);
    EXPECT_FALSE(pool.isLive(first));
    EXPECT_EQ(pool.create(), first);
    EXPECT_EQ(made, 1);

    // An exhausted pool keeps growing, one object per request, and keeps what it grew.
    Pooled* second = pool.create();
    EXPECT_NE(second, first);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(pool.getLiveCount(), 2u);
    EXPECT_EQ(pool.getFreeCount(), 0u);
    pool.release(first);
    pool.release(second);
    EXPECT_EQ(pool.getFreeCount(), 2u);
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, HandsOutTheIdleObjectBeforeMakingANewOneAndTheLastReleasedFirst)
{
    PoolFactory<Pooled> pool(CountingCreator{&made}, 1);
    EXPECT_EQ(made, 1);
    Pooled* idle = pool.create();
    EXPECT_EQ(idle->serial, 0);
    Pooled* grown = pool.create();
    EXPECT_EQ(grown->serial, 1);
    EXPECT_TRUE(pool.isLive(idle));
    EXPECT_TRUE(pool.isLive(grown));

    // Idle A then B, B appended last: B comes out first.
    PoolFactory<Pooled> prefilled(CountingCreator{&made}, 2);
    Pooled* a = prefilled.create();
    Pooled* b = prefilled.create();
    prefilled.release(a);
    prefilled.release(b);
    EXPECT_EQ(prefilled.create(), b);
    EXPECT_EQ(prefilled.create(), a);

    pool.destroyAll();
    prefilled.destroyAll();
}

TEST_F(PoolFactoryTest, AnObjectIsNeverIdleTwice)
{
    PoolFactory<Pooled> pool(CountingCreator{&made}, 2);
    Pooled* object = pool.create();
    pool.release(object);
    pool.release(object);
    EXPECT_EQ(pool.getFreeCount(), 2u);

    // An object this pool never handed out is not taken in either.
    Pooled stranger(99);
    pool.release(&stranger);
    EXPECT_EQ(pool.getFreeCount(), 2u);

    // Two creates after the double release give two different objects.
    Pooled* x = pool.create();
    Pooled* y = pool.create();
    EXPECT_NE(x, y);
    EXPECT_EQ(made, 2);
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
    EXPECT_EQ(pool.getFreeCount(), 0u);
    EXPECT_NE(pool.create(), object);
    EXPECT_FALSE(pool.reclaim(object)) << "a live object is not idle";

    Pooled stranger(99);
    EXPECT_FALSE(pool.reclaim(&stranger));
    EXPECT_FALSE(pool.isLive(&stranger));
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, CreatorFailures)
{
    // A failure while growing for create(): the objects made before stay idle.
    int calls = 0;
    PoolFactory<Pooled> pool(
        [&calls]() -> Pooled* {
            if (++calls == 3)
                throw std::runtime_error("no configuration");
            return new Pooled(calls);
        },
        2);
    pool.create();
    pool.create();
    EXPECT_THROW(pool.create(), std::runtime_error);
    EXPECT_EQ(pool.getLiveCount(), 2u);
    EXPECT_EQ(pool.getFreeCount(), 0u);
    pool.destroyAll();

    // A failure while prefilling: the pool never exists, and what it made is deleted.
    int prefillCalls = 0;
    EXPECT_THROW(PoolFactory<Pooled>(
                     [&prefillCalls]() -> Pooled* {
                         if (++prefillCalls == 3)
                             throw std::runtime_error("no configuration");
                         return new Pooled(prefillCalls);
                     },
                     5),
                 std::runtime_error);
    EXPECT_EQ(Pooled::alive, aliveAtStart);
}

TEST_F(PoolFactoryTest, DestroyAllDeletesLiveAndIdleObjects)
{
    PoolFactory<Pooled> pool(CountingCreator{&made}, 3);
    Pooled* live = pool.create();
    live->pool = &pool;
    EXPECT_EQ(Pooled::alive, aliveAtStart + 3);
    pool.destroyAll();
    EXPECT_EQ(Pooled::alive, aliveAtStart);
    EXPECT_EQ(pool.getLiveCount(), 0u);
    EXPECT_EQ(pool.getFreeCount(), 0u);

    // The emptied pool still works.
    pool.create();
    EXPECT_EQ(made, 4);
    pool.destroyAll();
}

TEST_F(PoolFactoryTest, EachPoolRegistersItsDestroyAllWithTheEngine)
{
    TolvarineEngine engine;
    {
        PoolFactory<Pooled> first(CountingCreator{&made}, 2);
        ASSERT_EQ(engine.getCallbacks().size(), 1u);
        PoolFactory<Pooled> second(CountingCreator{&made}, 1);
        ASSERT_EQ(engine.getCallbacks().size(), 2u);
        first.create();

        // The first callback belongs to the first pool, and only to it.
        engine.getCallbacks()[0]();
        EXPECT_EQ(first.getLiveCount() + first.getFreeCount(), 0u);
        EXPECT_EQ(second.getFreeCount(), 1u);
        EXPECT_EQ(Pooled::alive, aliveAtStart + 1);
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

TEST_F(MultiPoolFactoryTest, UnknownTypeIsLoggedAndFatal)
{
    MultiPoolFactory<Pooled> registry;
    registry.registerType("plating", creatorFor("plating"), 1);

    Tolvarine::Test::LogCapture log;
    EXPECT_THROW(registry.create("nosuch"), FatalError);
    EXPECT_TRUE(log.contains("Multipool factory cannot create nosuch as there is no creator registered"));
    EXPECT_EQ(registry.getPool("plating")->getFreeCount(), 1u) << "nothing is taken from any pool";
    EXPECT_EQ(registry.getPool("nosuch"), nullptr);
    registry.clear();
}

TEST_F(MultiPoolFactoryTest, RegistrationKeepsTheFirstPoolAndBuildsNothingForASecond)
{
    MultiPoolFactory<Pooled> registry;
    TolvarineEngine engine;
    EXPECT_TRUE(registry.registerType("fireball", creatorFor("fireball"), 2));
    EXPECT_FALSE(registry.registerType("fireball", creatorFor("twin"), 5));
    EXPECT_EQ(madeByName["twin"], 0);
    EXPECT_EQ(engine.getCallbacks().size(), 1u) << "no callback for a pool that is dropped";
    EXPECT_EQ(registry.getPool("fireball")->getFreeCount(), 2u);

    Tolvarine::Test::LogCapture log;
    EXPECT_TRUE(registry.registerType("broken", creatorFor("broken"), -1));
    EXPECT_EQ(madeByName["broken"], 0);
    EXPECT_TRUE(log.contains("Multipool factory: pool size -1 of broken is negative, using 0"));
    EXPECT_EQ(registry.getTypeNames(), (std::vector<std::string>{"broken", "fireball"}));
    registry.clear();
}

TEST_F(MultiPoolFactoryTest, CreateAndReleaseGoToThePoolOfTheName)
{
    MultiPoolFactory<Pooled> registry;
    registry.registerType("a", creatorFor("a"), 0);
    registry.registerType("b", creatorFor("b"), 0);
    Pooled* fromA = registry.create("a");
    EXPECT_EQ(madeByName["a"], 1);
    EXPECT_EQ(madeByName["b"], 0);

    registry.release(fromA, "b");  // not live in b: ignored
    EXPECT_TRUE(registry.getPool("a")->isLive(fromA));
    registry.release(fromA, "unknown");
    EXPECT_TRUE(registry.getPool("a")->isLive(fromA));
    registry.release(fromA, "a");
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 1u);
    EXPECT_EQ(registry.create("a"), fromA);
    registry.clear();
    EXPECT_FALSE(registry.hasType("a"));
    EXPECT_THROW(registry.create("a"), FatalError);
}

TEST_F(MultiPoolFactoryTest, ReleaseAllDeactivatesEveryLiveObjectOnce)
{
    MultiPoolFactory<Pooled> registry;
    registry.registerType("a", creatorFor("a"), 2);
    registry.registerType("b", creatorFor("b"), 0);

    int calls = 0;
    auto deactivate = [&calls](Pooled* object) {
        ++calls;
        object->deactivate();
    };
    registry.releaseAll(deactivate);
    EXPECT_EQ(calls, 0);

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
    EXPECT_EQ(registry.getPool("a")->getLiveCount(), 0u);
    EXPECT_EQ(registry.getPool("b")->getLiveCount(), 0u);
    EXPECT_EQ(registry.getPool("a")->getFreeCount(), 3u);
    EXPECT_EQ(registry.getPool("b")->getFreeCount(), 2u);
    registry.clear();
}

} // namespace
} // namespace Tolvarine
