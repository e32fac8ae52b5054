#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Tolvarine::Test {

// A PNG file read into 8-bit RGB, for tests that look at the game's screenshots. Reads the
// non-interlaced 8-bit RGB and RGBA files the rendering engine writes; anything else reads empty.
class PngImage {
public:
    explicit PngImage(const std::string& path);

    bool empty() const { return pixels.empty(); }
    unsigned width() const { return imageWidth; }
    unsigned height() const { return imageHeight; }
    // Red, green and blue of one pixel.
    const std::uint8_t* at(unsigned x, unsigned y) const { return &pixels[(std::size_t(y) * imageWidth + x) * 3]; }

private:
    unsigned imageWidth = 0;
    unsigned imageHeight = 0;
    std::vector<std::uint8_t> pixels;
};

} // namespace Tolvarine::Test
