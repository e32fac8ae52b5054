#pragma once

#include <string>

namespace Tolvarine {

class Profiler;

// A profiler block that closes on every way out of its scope, exceptions included. Without a
// profiler (tools, tests) it does nothing. The name is only read when the block opens, so code
// that runs very often can pass a name it keeps, and the block costs no allocation.
class ProfileBlock {
public:
    // In the program's profiler.
    explicit ProfileBlock(const std::string& name);
    ProfileBlock(Profiler* profiler, const std::string& name);
    ~ProfileBlock();
    ProfileBlock(const ProfileBlock&) = delete;
    ProfileBlock& operator=(const ProfileBlock&) = delete;

private:
    Profiler* profiler;
};

} // namespace Tolvarine
