// The libFuzzer entry of the game's file readers, built only by tools/fuzz.sh. The reader is chosen
// by TOLVARINE_FUZZ_TARGET; with TOLVARINE_FUZZ_SEEDS set to the repository root, the program
// prints the target's seed files instead and ends.
#include "DataFuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace {

const Tolvarine::Fuzz::Target* target = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* name = std::getenv("TOLVARINE_FUZZ_TARGET");
    target = name ? Tolvarine::Fuzz::findTarget(name) : nullptr;
    if (!target) {
        std::fprintf(stderr, "TOLVARINE_FUZZ_TARGET must name one of:");
        for (const Tolvarine::Fuzz::Target& known : Tolvarine::Fuzz::targets())
            std::fprintf(stderr, " %s", known.name);
        std::fprintf(stderr, "\n");
        std::exit(2);
    }
    if (const char* root = std::getenv("TOLVARINE_FUZZ_SEEDS")) {
        for (const std::string& seed : Tolvarine::Fuzz::seedFiles(*target, root))
            std::printf("%s\n", seed.c_str());
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Made at the first input, not at start: preparing moves into a scratch folder, and the
    // fuzzer's parent process (-jobs) starts its workers and writes their logs in the folder it
    // was started in.
    Tolvarine::Fuzz::prepare();
    target->run(data, size);
    return 0;
}
