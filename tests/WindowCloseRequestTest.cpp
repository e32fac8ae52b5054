// The window manager's close request quits through the exit sequence, even during a key capture;
// once the exit screen is up it ends the program as a key press would.
#include "ImmediateExit.h"
#include "InputHandler.h"
#include "NormalExit.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

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
} // namespace Tolvarine
