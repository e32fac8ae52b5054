#include "Interface.h"
#include "LogCapture.h"
#include "TargetingDoubles.h"


namespace Tolvarine::Test {
namespace {

using SelfDestructTest = TargetingFixture;

class DestroyableShip : public TestShip {
public:
    using TestShip::TestShip;
    void destroy() override { ++destroyed; }
    int destroyed = 0;
};

// "suicide" destroys the ship the player flies, and only that one; nothing without one.
TEST_F(SelfDestructTest, TheKeyDestroysTheFlownShipWithItsLogLine)
{
    const Config type(typePath);
    DestroyableShip flown("flown", type, journal);
    DestroyableShip wingman("wingman", type, journal);
    Interface interface;
    LogCapture log;
    const struct {
        DestroyableShip* focus;
        int flown, wingman;
        long lines;
    } rows[] = {{nullptr, 0, 0, 0}, {&flown, 1, 0, 1}, {&wingman, 1, 1, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.focus ? row.focus->name : "nobody");
        if (row.focus)
            row.focus->setFocus(true);
        pulse("suicide");
        EXPECT_EQ(flown.destroyed, row.flown);
        EXPECT_EQ(wingman.destroyed, row.wingman);
        const auto lines = log.lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Self destruct"), row.lines);
    }
    wingman.setFocus(false);
}

} // namespace
} // namespace Tolvarine::Test
