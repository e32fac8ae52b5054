#include "PngImage.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {

// The play menu's ship pictures: the size the sheet shows, a ship in the middle, a clear corner.
TEST(ThumbnailDataLint, EveryShipPictureHasItsSizeAndAShipInTheMiddle)
{
    for (const auto& [file, width, height] : {std::tuple{"TrifighterThumbnail", 50u, 50u},
                                              {"DemoThunderboltThumbnail", 62u, 50u}, {"DemoStarfireThumbnail", 100u, 100u}}) {
        SCOPED_TRACE(file);
        const PngImage image(std::string(TOLVARINE_SOURCE_DIR) + "/data/gui/" + file + ".png");
        ASSERT_EQ(image.width() * 1000 + image.height(), width * 1000 + height);
        const std::uint8_t* middle = image.at(width / 2, height / 2);
        EXPECT_GT(middle[0] + middle[1] + middle[2], 60);
        EXPECT_EQ(image.at(0, 0)[0] + image.at(0, 0)[1] + image.at(0, 0)[2], 0);
    }
}

} // namespace Tolvarine::Test
