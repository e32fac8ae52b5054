// A key map the reader cannot make sense of says so line by line, and says when nothing at all is
// bound, so that a player whose keys do nothing learns why.
#include "InputHandler.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace Tolvarine::Test {
namespace {

TEST(KeymapUnreadable, UnreadableLinesAndAnEmptyMappingAreLogged)
{
    std::mt19937 bytes(6103);
    std::string noise;
    for (int i = 0; i < 2048; ++i)
        noise += static_cast<char>(bytes() & 0xff);
    struct Row {
        const char* name;
        std::string text;
        std::vector<std::string> expected; // lines that must be among the log's
        bool noMapping;
    };
    const Row rows[] = {
        {"random bytes", noise, {}, true},
        {"lines outside any section",
         "quit = F10\n\x01\xff garbage\n[General]\nmouse_sensitivity 40\n[Mapping]\npause = p\n",
         {"Malformed key map line skipped: quit = F10", "Malformed key map line skipped: ?? garbage",
          "Malformed key map line skipped: mouse_sensitivity 40", "p --> pause"},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TemporaryFolder folder;
        const std::string path = folder.file("active.keymap");
        writeFile(path, row.text);
        InputHandler input;
        LogCapture log;
        input.loadKeymap(path);
        for (const std::string& line : row.expected)
            EXPECT_TRUE(log.contains(line)) << line;
        EXPECT_EQ(log.contains("Key map " + path + " holds no mapping: no input is bound"), row.noMapping);
        const std::vector<std::string> lines = log.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("Malformed key map line skipped: ", 0) == 0;
        }));
    }
}

} // namespace
} // namespace Tolvarine::Test
