// The window manager's close request quits through the exit sequence, and once the exit screen
// is up it ends the program as a key press would.
#include "ImmediateExit.h"
#include "InputHandler.h"
#include "NormalExit.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>

namespace Tolvarine {
namespace {

TEST(WindowCloseRequest, ACloseRequestQuitsOrEndsTheExitScreen)
{
    struct Row {
        const char* name;
        bool exitScreenUp;
        bool endsAtOnce; // ImmediateExit rather than NormalExit
    };
    const Row rows[] = {{"while playing", false, false}, {"on the exit screen", true, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        {
            InputHandler input;
            input.setExitOnKeyPress(row.exitScreenUp);
            // Even a capture in progress (the control menu waiting for a key) lets it through.
            input.setInputCapture([](InputType, std::uint32_t, float) { return true; });
            SDL_Event close{};
            close.type = SDL_QUIT;
            ASSERT_EQ(SDL_PushEvent(&close), 1) << SDL_GetError();
            bool normal = false;
            bool immediate = false;
            try {
                input.processEvents(0.02);
            } catch (const NormalExit&) {
                normal = true;
            } catch (const ImmediateExit&) {
                immediate = true;
            }
            EXPECT_EQ(immediate, row.endsAtOnce);
            EXPECT_EQ(normal, !row.endsAtOnce);
            EXPECT_TRUE(input.isCloseRequested());
        }
        SDL_Quit();
    }
}

} // namespace
} // namespace Tolvarine
