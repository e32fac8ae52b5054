#include "ShipExplosionSequence.h"

#include "FatalError.h"
#include "LogCapture.h"
#include "SchedulerFixture.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

class ShipExplosionSequenceTest : public SchedulerFixture {
protected:
    ShipExplosionSequenceTest()
    {
        ShipExplosionSequence::getPoolFactory().registerType(
            "Death", [] { return new ShipExplosionSequence("Death", 0.5f, 0.0f); }, 1);
    }
    ~ShipExplosionSequenceTest() override { ShipExplosionSequence::getPoolFactory().clear(); }

    const PoolFactory<ShipExplosionSequence>& pool() const
    {
        return *ShipExplosionSequence::getPoolFactory().getPool("Death");
    }
};

TEST_F(ShipExplosionSequenceTest, ASequenceTakenFromItsPoolPlaysAndGoesBack)
{
    passAt(0.0);
    passAt(40.0);
    ShipExplosionSequence* sequence =
        ShipExplosionSequence::create("Death", nullptr, true, Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(pool().getFreeCount(), 0u);
    EXPECT_TRUE(sequence->isFocused());
    EXPECT_FLOAT_EQ(sequence->getStartTime(), static_cast<float>(scheduler.getTime()));

    // Its task counts from the start, not from when the pool made it.
    passAt(40.25);
    EXPECT_EQ(pool().getLiveCount(), 1u);
    passAt(40.5);
    passAt(40.75);
    EXPECT_EQ(pool().getLiveCount(), 0u);
    EXPECT_EQ(pool().getFreeCount(), 1u);
    EXPECT_EQ(sequence->getTarget(), nullptr);

    // The same sequence serves the next ship.
    EXPECT_EQ(ShipExplosionSequence::create("Death", nullptr, false, Ogre::Vector3::ZERO), sequence);
    EXPECT_FALSE(sequence->isFocused());
    // An unknown type is fatal.
    LogCapture log;
    EXPECT_THROW(ShipExplosionSequence::create("Nowhere", nullptr, false, Ogre::Vector3::ZERO), FatalError);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Multipool factory cannot create Nowhere as there is no creator registered"});
    EXPECT_EQ(pool().getLiveCount(), 1u);
}

} // namespace
} // namespace Tolvarine::Test
