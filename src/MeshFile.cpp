#include "MeshFile.h"

#include <cstddef>
#include <cstdint>

namespace Tolvarine {

namespace {

const std::uint16_t HEADER_ID = 0x1000;
const std::size_t CHUNK_HEADER_SIZE = 6;

// An unsigned number of `size` bytes at `at`, in the file's byte order.
std::uint32_t readNumber(const std::string& bytes, std::size_t at, std::size_t size, bool bigEndian)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t index = bigEndian ? at + i : at + size - 1 - i;
        value = value << 8 | static_cast<unsigned char>(bytes[index]);
    }
    return value;
}

} // namespace

std::string MeshFile::findDamage(const std::string& bytes)
{
    if (bytes.size() < 2)
        return "it has no mesh header";
    const bool bigEndian = readNumber(bytes, 0, 2, true) == HEADER_ID;
    if (!bigEndian && readNumber(bytes, 0, 2, false) != HEADER_ID)
        return "it has no mesh header";
    const std::size_t lineEnd = bytes.find('\n', 2);
    if (lineEnd == std::string::npos)
        return "its version line has no end";
    const std::string end = ", but the file ends at byte " + std::to_string(bytes.size());
    for (std::size_t at = lineEnd + 1; at < bytes.size();) {
        if (at + CHUNK_HEADER_SIZE > bytes.size())
            return "a chunk header starts at byte " + std::to_string(at) + end;
        const std::size_t length = readNumber(bytes, at + 2, 4, bigEndian);
        if (length < CHUNK_HEADER_SIZE)
            return "a chunk at byte " + std::to_string(at) + " is shorter than its own header";
        if (length > bytes.size() - at)
            return "a chunk at byte " + std::to_string(at) + " runs to byte " + std::to_string(at + length) + end;
        at += length;
    }
    return std::string();
}

} // namespace Tolvarine
