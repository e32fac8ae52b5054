#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tolvarine::Fuzz {

// One reader of the game's files under random input: `run` hands the bytes to the reader as the
// file it reads (and again as that file's enciphered twin where the reader accepts one). A
// reader may refuse the input the way the game refuses a broken file (its log line, then
// ConfigurationError or the value reader's conversion error); anything else escapes and fails.
struct Target {
    const char* name;
    // Files of the repository that seed the inputs: those under `seedFolder` whose names end
    // with `seedSuffix`.
    const char* seedFolder;
    const char* seedSuffix;
    void (*run)(const std::uint8_t* data, std::size_t size);
};

const std::vector<Target>& targets();
const Target* findTarget(const std::string& name);

// Makes what the readers need once per process: the log (when the process has none yet), the
// rendering engine's root for the particle templates, the key map's input handler and a scratch
// working folder, which becomes the current folder.
void prepare();

// The seed files of a target, in name order, below the repository root `sourceRoot`.
std::vector<std::string> seedFiles(const Target& target, const std::string& sourceRoot);

} // namespace Tolvarine::Fuzz
