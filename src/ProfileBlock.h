#pragma once

#include <string>

namespace Tolvarine {

class Profiler;

// A profiler block that closes on every way out of its scope, exceptions included. Without a
// profiler (tools, tests) it does nothing.
class ProfileBlock {
public:
    // In the program's profiler.
    explicit ProfileBlock(std::string name);
    ProfileBlock(Profiler* profiler, std::string name);
    ~ProfileBlock();
    ProfileBlock(const ProfileBlock&) = delete;
    ProfileBlock& operator=(const ProfileBlock&) = delete;

private:
    Profiler* profiler;
    std::string name;
};

} // namespace Tolvarine
