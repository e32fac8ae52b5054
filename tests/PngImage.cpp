#include "PngImage.h"

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace Tolvarine::Test {

namespace {

std::uint32_t bigEndian(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

} // namespace

PngImage::PngImage(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 8 + 25)
        return;
    unsigned channels = 0;
    std::vector<unsigned char> compressed;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t length = bigEndian(&file[at]);
        const std::string kind(file.begin() + at + 4, file.begin() + at + 8);
        if (at + 12 + length > file.size())
            return;
        const unsigned char* data = &file[at + 8];
        if (kind == "IHDR") {
            imageWidth = bigEndian(data);
            imageHeight = bigEndian(data + 4);
            const bool usable = data[8] == 8 && (data[9] == 2 || data[9] == 6) && data[12] == 0;
            if (!usable)
                return;
            channels = data[9] == 6 ? 4 : 3;
        } else if (kind == "IDAT") {
            compressed.insert(compressed.end(), data, data + length);
        }
        at += 12 + length;
    }
    if (channels == 0 || imageWidth == 0 || imageHeight == 0)
        return;

    const std::size_t stride = std::size_t(imageWidth) * channels;
    std::vector<unsigned char> raw((stride + 1) * imageHeight);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()) != Z_OK || rawSize != raw.size())
        return;

    std::vector<unsigned char> previous(stride, 0);
    std::vector<unsigned char> line(stride);
    pixels.resize(std::size_t(imageWidth) * imageHeight * 3);
    for (unsigned y = 0; y < imageHeight; ++y) {
        const unsigned char filter = raw[y * (stride + 1)];
        const unsigned char* source = &raw[y * (stride + 1) + 1];
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= channels ? line[i - channels] : 0;
            const int up = previous[i];
            const int upLeft = i >= channels ? previous[i - channels] : 0;
            int predicted = 0;
            switch (filter) {
            case 1: predicted = left; break;
            case 2: predicted = up; break;
            case 3: predicted = (left + up) / 2; break;
            case 4: predicted = paeth(left, up, upLeft); break;
            default: break;
            }
            line[i] = static_cast<unsigned char>(source[i] + predicted);
        }
        for (unsigned x = 0; x < imageWidth; ++x)
            for (unsigned c = 0; c < 3; ++c)
                pixels[(std::size_t(y) * imageWidth + x) * 3 + c] = line[x * channels + c];
        previous = line;
    }
}

} // namespace Tolvarine::Test
