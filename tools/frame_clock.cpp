// A frame clock for the measuring tools, loaded into the game with LD_PRELOAD: every buffer swap
// of the game's window is a frame drawn, so it wraps glXSwapBuffers and appends to the file named
// by FRAME_CLOCK_FILE, at the first frame at least half a second after its last line, a line
// "frame-clock: frame COUNT at TIME longest GAP": the frames drawn so far, the time, and the
// longest time between two frames since the last line. TIME is CLOCK_MONOTONIC in seconds, the
// clock of Python's time.monotonic, so the lines line up with what a script prints. A script task
// cannot time the frames: the scheduler skips script tasks while the game is paused and defers
// them when a pass runs past its deadline, while the frames go on.
#include <GL/glx.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr double BEAT = 0.5;

double now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

// The file the lines go to, opened on the first frame; -1 without FRAME_CLOCK_FILE.
int output()
{
    static const int file = [] {
        const char* path = std::getenv("FRAME_CLOCK_FILE");
        return path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    return file;
}

void tick()
{
    static double last = 0.0;
    static double beat = 0.0;
    static double longest = 0.0;
    static unsigned long frames = 0;
    const double time = now();
    if (last > 0.0 && time - last > longest)
        longest = time - last;
    last = time;
    ++frames;
    if (time - beat < BEAT)
        return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, "frame-clock: frame %lu at %.3f longest %.3f\n", frames, time, longest);
    if (output() >= 0 && length > 0)
        static_cast<void>(write(output(), line, static_cast<std::size_t>(length)));
    beat = time;
    longest = 0.0;
}

} // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    using Swap = void (*)(Display*, GLXDrawable);
    static const Swap swap = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (swap)
        swap(display, drawable);
    tick();
}
