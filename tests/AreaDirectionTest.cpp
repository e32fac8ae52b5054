#include "AreaDirection.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

// Any finite vector but (0 0 0) is a direction: normalised as given, a vector whose squares pass
// the float range came out as (0 0 0), and one whose squares vanish below it as it was.
TEST(AreaDirection, AnyFiniteSizeGivesItsUnitVector)
{
    const Ogre::Vector3 diagonal = Ogre::Vector3(1, 1, 1).normalisedCopy();
    const struct { const char* rule; Ogre::Vector3 given, unit; } rows[] = {
        {"an ordinary length", Ogre::Vector3(0, 0, -2), Ogre::Vector3::NEGATIVE_UNIT_Z},
        {"squares beyond float", Ogre::Vector3(3.4e38f, 3.4e38f, 3.4e38f), diagonal},
        {"one axis at the float limit", Ogre::Vector3(-3.4e38f, 0, 0), Ogre::Vector3::NEGATIVE_UNIT_X},
        {"squares below float", Ogre::Vector3(1e-30f, 1e-30f, 1e-30f), diagonal},
        {"no direction stays none", Ogre::Vector3::ZERO, Ogre::Vector3::ZERO}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_TRUE(AreaDirection::unit(row.given).positionEquals(row.unit, 1e-6f)) << AreaDirection::unit(row.given);
    }
}

} // namespace
} // namespace Tolvarine
