// Prints what the simulation of a fleet battle costs per frame at 60 frames a second: the shipped
// fighters (half Trifighters, half Kestrels a side) flown by their AI against each other, with
// physics, weapons and projectiles, everything the game does but drawing. The cost is the
// profiler's "Root" block (one scheduler pass a frame), with its biggest blocks beneath it, and
// the shots and hits show that the ships really fight. Run on an X display:
//
//     tools/with-display.sh ./build/bench_battle [ships a side ...]      (default: 50 and then 100)
//
// Each size runs in a process of its own, in a scratch copy of the game's run-time files
// (tools/fill-game-folder.sh), since reading the data writes its enciphered twins beside it; the
// log goes to "bench_battle.log" in the folder it was started from. A yardstick for performance
// work, not a test: the figures depend on the machine.

#include "BattleWorld.h"

#include <OgreMath.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "AllocationCounter.h"

using namespace Tolvarine;


namespace {

constexpr int WARM_UP_FRAMES = 120;
constexpr int MEASURED_FRAMES = 1800;
// The two fleets start this far apart, facing each other.
constexpr float GAP = 1600.0f;
constexpr float SPACING = 60.0f;

// One block of the profiler's report: its depth in the tree, its name, its share of its parent
// and its seconds per frame.
struct Block {
    int depth;
    std::string name;
    double percent;
    double perFrame;
};

std::vector<Block> readReport(const Profiler& profiler)
{
    std::ostringstream report;
    profiler.writeReport(report);
    std::istringstream lines(report.str());
    std::vector<Block> blocks;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        const std::size_t indent = line.find_first_not_of(' ');
        if (colon == std::string::npos || indent == std::string::npos || indent >= colon)
            continue;
        std::string name = line.substr(indent, colon - indent);
        name.erase(name.find_last_not_of(' ') + 1);
        std::istringstream figures(line.substr(colon + 2));
        Block block{static_cast<int>(indent / 4), name, 0.0, 0.0};
        if (figures >> block.percent >> block.perFrame)
            blocks.push_back(block);
    }
    return blocks;
}

int runBattle(unsigned perSide, const std::string& logPath)
{
    Ogre::Math::SetRandomValueProvider(nullptr);
    std::srand(12345);
    Battle::BattleWorld world(logPath);
    Faction red("Red", 0);
    Faction blue("Blue", 0);
    red.addEnemy(blue);
    blue.addEnemy(red);
    const Ogre::Quaternion turned(Ogre::Degree(180), Ogre::Vector3::UNIT_Y);
    const unsigned trifighters = perSide / 2;
    const float half = GAP / 2.0f;
    world.spawnWing("trifighter", red, trifighters, Ogre::Vector3(0, 0, half), Ogre::Quaternion::IDENTITY, SPACING);
    world.spawnWing("kestrel", red, perSide - trifighters, Ogre::Vector3(0, 0, half + SPACING),
                    Ogre::Quaternion::IDENTITY, SPACING);
    world.spawnWing("trifighter", blue, trifighters, Ogre::Vector3(0, 0, -half), turned, SPACING);
    world.spawnWing("kestrel", blue, perSide - trifighters, Ogre::Vector3(0, 0, -half - SPACING), turned, SPACING);

    for (int i = 0; i < WARM_UP_FRAMES; ++i)
        world.frame();
    world.getProfiler().reset();
    const unsigned long long allocationsBefore = allocations;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < MEASURED_FRAMES; ++i)
        world.frame();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / MEASURED_FRAMES;
    const double allocationsPerFrame = static_cast<double>(allocations - allocationsBefore) / MEASURED_FRAMES;

    const std::vector<Block> blocks = readReport(world.getProfiler());
    double rootPerFrame = 0.0;
    for (const Block& block : blocks)
        if (block.name == "Root")
            rootPerFrame = block.perFrame * 1000.0;
    const Statistics& statistics = world.getStatistics();
    const unsigned long long shots = statistics.getFactionShots("Red") + statistics.getFactionShots("Blue");
    const unsigned long long hits = statistics.getFactionHits("Red") + statistics.getFactionHits("Blue");
    unsigned redLeft = red.getShipCount();
    unsigned blueLeft = blue.getShipCount();

    std::cout << std::fixed << std::setprecision(3);
    std::cout << perSide << " v " << perSide << ": " << rootPerFrame << " ms simulation per frame (profiler), "
              << wall << " ms by the wall clock, over " << MEASURED_FRAMES << " frames of 1/60 s\n";
    std::cout << "  shots " << shots << ", hits " << hits << " (Red " << statistics.getFactionHits("Red")
              << ", Blue " << statistics.getFactionHits("Blue") << "); ships left: Red " << redLeft << ", Blue "
              << blueLeft << "; " << std::setprecision(1) << allocationsPerFrame << " allocations per frame\n"
              << std::setprecision(3);
    // The blocks that cost at least 1% of the frame, three levels down.
    for (const Block& block : blocks) {
        const double ms = block.perFrame * 1000.0;
        if (block.depth == 0 || block.depth > 3 || ms < rootPerFrame * 0.01)
            continue;
        std::cout << "  " << std::string(static_cast<std::size_t>(block.depth - 1) * 2, ' ') << std::left
                  << std::setw(44 - (block.depth - 1) * 2) << block.name << std::right << std::setw(9) << ms
                  << " ms\n";
    }
    std::cout.flush();
    return 0;
}

// A new temporary folder filled with the game's run-time files from the repository, made the
// working folder; empty when it could not be made.
std::filesystem::path enterScratchCopy()
{
    std::string folder = (std::filesystem::temp_directory_path() / "tolvarine-bench-battle.XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return {};
    const std::string fill = std::string("bash '") + TOLVARINE_SOURCE_DIR + "/tools/fill-game-folder.sh' '" + folder + "'";
    const bool filled = std::system(fill.c_str()) == 0;
    std::error_code error;
    if (filled)
        std::filesystem::current_path(folder, error);
    if (!filled || error) {
        std::filesystem::remove_all(folder, error);
        return {};
    }
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<unsigned> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(static_cast<unsigned>(std::strtoul(argv[i], nullptr, 10)));
    if (sizes.empty())
        sizes = {50, 100};
    if (!std::getenv("DISPLAY")) {
        std::cerr << "Run on an X display: tools/with-display.sh ./build/bench_battle\n";
        return 2;
    }
    const std::string logPath = std::filesystem::absolute("bench_battle.log").string();
    const std::filesystem::path scratch = enterScratchCopy();
    if (scratch.empty()) {
        std::cerr << "bench_battle: could not copy the game's files into a scratch folder\n";
        return 2;
    }
    int status = 0;
    // The rendering engine is made once per process, so every battle gets a process of its own.
    for (const unsigned perSide : sizes) {
        const pid_t child = ::fork();
        if (child == 0)
            std::_Exit(runBattle(perSide, logPath));
        int childStatus = 0;
        ::waitpid(child, &childStatus, 0);
        if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
            std::cerr << perSide << " v " << perSide << ": the battle failed; see bench_battle.log\n";
            status = 1;
        }
    }
    std::error_code error;
    std::filesystem::remove_all(scratch, error);
    return status;
}
