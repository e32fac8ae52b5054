// The input handler on bad input: a key map it cannot make sense of says so line by line, and says
// when nothing at all is bound; the window manager's close request quits through the exit
// sequence, even during a key capture, and on the exit screen ends the program as a key would.
#include "InputHandler.h"

#include "ConfigFiles.h"
#include "ImmediateExit.h"
#include "LogCapture.h"
#include "NormalExit.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace Tolvarine::Test {
namespace {

TEST(KeymapUnreadable, UnreadableLinesAndAnEmptyMappingAreLogged)
{
    std::mt19937 bytes(6103);
    std::string noise;
    for (int i = 0; i < 2048; ++i)
        noise += static_cast<char>(bytes() & 0xff);
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> expected; // lines that must be among the log's
        bool noMapping;
    } rows[] = {
        {"random bytes", noise, {}, true},
        {"lines outside any section", "quit = F10\n\x01\xff garbage\n[General]\nmouse_sensitivity 40\n[Mapping]\npause = p\n",
         {"Malformed key map line skipped: quit = F10", "Malformed key map line skipped: ?? garbage",
          "Malformed key map line skipped: mouse_sensitivity 40", "p --> pause"},
         false},
    };
    for (const auto& row : rows) {
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

TEST(WindowCloseRequest, ACloseRequestQuitsOrEndsTheExitScreen)
{
    for (const bool exitScreenUp : {false, true}) {
        SCOPED_TRACE(exitScreenUp ? "on the exit screen" : "while playing");
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        InputHandler input;
        input.setExitOnKeyPress(exitScreenUp);
        input.setInputCapture([](InputType, std::uint32_t, float) { return true; });
        SDL_Event close{};
        close.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&close), 1) << SDL_GetError();
        if (exitScreenUp)
            EXPECT_THROW(input.processEvents(0.02), ImmediateExit);
        else
            EXPECT_THROW(input.processEvents(0.02), NormalExit);
        EXPECT_TRUE(input.isCloseRequested());
        SDL_Quit();
    }
}

} // namespace
} // namespace Tolvarine::Test
