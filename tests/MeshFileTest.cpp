#include "MeshFile.h"

#include "ConfigFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Tolvarine::Test {
namespace {

// The engine's reader loads a cut mesh file as a mesh with unfilled buffers; the chunk lengths
// tell. On a mesh of the game: a header and version line of 26 bytes, then one chunk of 778.
TEST(MeshFile, AWholeFilePassesAndACutOrGarbledOneIsNamedWhereItBreaks)
{
    const std::string whole = readFile(std::string(TOLVARINE_SOURCE_DIR) + "/data/meshes/missile.mesh");
    ASSERT_EQ(whole.size(), 804u);
    // The same file written big-endian: the header's number and the chunk's id and length turned round.
    std::string bigEndian = whole;
    std::reverse(bigEndian.begin(), bigEndian.begin() + 2);
    std::reverse(bigEndian.begin() + 26, bigEndian.begin() + 28);
    std::reverse(bigEndian.begin() + 28, bigEndian.begin() + 32);
    const struct { const char* name; std::string bytes; std::string damage; } rows[] = {
        {"whole", whole, ""},
        {"whole, big-endian", bigEndian, ""},
        {"cut inside the chunk", whole.substr(0, 402), "a chunk at byte 26 runs to byte 804, but the file ends at byte 402"},
        {"cut inside the chunk's header", whole.substr(0, 29), "a chunk header starts at byte 26, but the file ends at byte 29"},
        {"bytes after the last chunk", whole + "ab", "a chunk header starts at byte 804, but the file ends at byte 806"},
        {"a chunk shorter than its header", whole.substr(0, 28) + std::string("\x05\0\0\0", 4) + whole.substr(32),
         "a chunk at byte 26 is shorter than its own header"},
        {"cut inside the version line", whole.substr(0, 12), "its version line has no end"},
        {"no header", "#" + whole, "it has no mesh header"},
        {"empty", "", "it has no mesh header"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MeshFile::findDamage(row.bytes), row.damage);
    }
}

} // namespace
} // namespace Tolvarine::Test
