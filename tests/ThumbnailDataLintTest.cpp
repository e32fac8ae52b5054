#include "PngImage.h"

#include <gtest/gtest.h>

#include <string>

namespace Tolvarine::Test {

// The play menu's ship pictures: each at the size the sheet shows it, the ship drawn in the middle
// on a clear ground.
TEST(ThumbnailDataLint, EveryShipPictureHasItsSizeAndAShipInTheMiddle)
{
    const struct {
        const char* file;
        unsigned width, height;
    } rows[] = {{"TrifighterThumbnail.png", 50, 50},
                {"DemoThunderboltThumbnail.png", 62, 50},
                {"DemoStarfireThumbnail.png", 100, 100}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const PngImage image(std::string(TOLVARINE_SOURCE_DIR) + "/data/gui/" + row.file);
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(image.width(), row.width);
        EXPECT_EQ(image.height(), row.height);
        const std::uint8_t* middle = image.at(row.width / 2, row.height / 2);
        EXPECT_GT(middle[0] + middle[1] + middle[2], 60);
        const std::uint8_t* corner = image.at(0, 0);
        EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
    }
}

} // namespace Tolvarine::Test
