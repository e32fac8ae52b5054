// The repository's cfg/ and data/ hold the shipped files and nothing the game writes: the games
// and measuring tools run on copies of them, and a copy takes the shipped files only. An
// enciphered twin that a benchmark once left in data/ (reading the data writes them) outlived the
// plain file a test then removed, and gave the test the old content.
#include "ConfigFiles.h"
#include "GameProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

bool hasGit()
{
    return run("command -v git >/dev/null 2>&1");
}

// A repository of its own with the copying tools and the ignore list of ours: a settings file
// and a ship type, with the twin and the log that an earlier run left beside them. The folder the
// tool fills from it holds what the game reads, and no leftover.
TEST(ShippedFiles, AGameFolderTakesTheShippedFilesAndNoLeftoverBesideThem)
{
    if (!hasGit())
        GTEST_SKIP() << "needs git";
    const TemporaryFolder folder;
    const fs::path source(TOLVARINE_SOURCE_DIR), repository = folder.file("repository");
    for (const char* made : {"tools", "cfg", "data/entities"})
        fs::create_directories(repository / made);
    for (const char* copied : {".gitignore", "startup.py", "tools/fill-game-folder.sh", "tools/shipped-files.sh",
                               "tools/default-ogre.cfg"})
        fs::copy_file(source / copied, repository / copied);
    writeFile((repository / "plugins.cfg").string(), "Plugin=RenderSystem_GL\n");
    writeFile((repository / "cfg/sound.cfg").string(), "[Volume]\neffects = 1\n");
    writeFile((repository / "data/entities/kestrel.ship").string(), "[Ship]\nname = kestrel\n");
    ASSERT_TRUE(run("git init -q '" + repository.string() + "'"));
    writeFile((repository / "data/entities/kestrel.shipx").string(), "an old twin");
    writeFile((repository / "data/entities/Tolvarine.log").string(), "an old log");

    const fs::path game = folder.file("game");
    ASSERT_TRUE(run("bash '" + (repository / "tools/fill-game-folder.sh").string() + "' '" + game.string() + "'"));
    for (const char* shipped : {"cfg/sound.cfg", "data/entities/kestrel.ship", "plugins.cfg", "ogre.cfg", "startup.py"})
        EXPECT_TRUE(fs::is_regular_file(game / shipped)) << shipped;
    for (const char* leftover : {"data/entities/kestrel.shipx", "data/entities/Tolvarine.log"})
        EXPECT_FALSE(fs::exists(game / leftover)) << leftover;
}

// A modder's files keep whatever letters they were named with: git quotes and escapes such names
// in its line listing, and the copy once left every one of them out without a word (the game then
// said "unknown scenario").
TEST(ShippedFiles, AGameFolderTakesFilesWhateverTheLettersOfTheirNames)
{
    if (!hasGit())
        GTEST_SKIP() << "needs git";
    const TemporaryFolder folder;
    const fs::path source(TOLVARINE_SOURCE_DIR), repository = folder.file("repository");
    fs::create_directories(repository / "tools");
    fs::create_directories(repository / "data/scenarios");
    for (const char* copied : {".gitignore", "startup.py", "tools/fill-game-folder.sh", "tools/shipped-files.sh",
                               "tools/default-ogre.cfg"})
        fs::copy_file(source / copied, repository / copied);
    writeFile((repository / "plugins.cfg").string(), "Plugin=RenderSystem_GL\n");
    const char* const names[] = {"\xC3\xBC" "berfall.py", "a \"quoted\" raid.py", "back\\slash.py", "tab\tbed.py",
                                 "new\nline.py", "plain.py"};
    for (const char* name : names)
        writeFile((repository / "data/scenarios" / name).string(), "# a scenario\n");
    ASSERT_TRUE(run("git init -q '" + repository.string() + "'"));
    // One tracked, the others new: git quotes both kinds alike.
    ASSERT_TRUE(run("git -C '" + repository.string() + "' add 'data/scenarios/\xC3\xBC" "berfall.py'"));

    const fs::path game = folder.file("game");
    ASSERT_TRUE(run("bash '" + (repository / "tools/fill-game-folder.sh").string() + "' '" + game.string() + "'"));
    for (const char* name : names)
        EXPECT_TRUE(fs::is_regular_file(game / "data/scenarios" / name)) << name;
}

// A short battle benchmark (run from a folder of its own, where its log lands): the repository's
// data/ and cfg/ are as they were, to the last file git ignores.
TEST(ShippedFiles, TheBattleBenchmarkLeavesTheRepositorysDataAndSettingsAsTheyWere)
{
    const fs::path source(TOLVARINE_SOURCE_DIR), benchmark(TOLVARINE_BENCH_BATTLE);
    if (!hasGit() || !fs::exists(benchmark) || !std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs git, the built battle benchmark and a display";
    const TemporaryFolder folder;
    const std::string status = "git -C '" + source.string() + "' status --ignored --porcelain -- data cfg > ";
    if (!run(status + "'" + folder.file("before.txt") + "' 2>/dev/null"))
        GTEST_SKIP() << "the source is not a git checkout";

    ASSERT_TRUE(run("cd '" + folder.file("") + "' && '" + benchmark.string() + "' 2 > battle.txt 2>&1"))
        << readFile(folder.file("battle.txt"));
    EXPECT_NE(readFile(folder.file("battle.txt")).find("2 v 2: "), std::string::npos) << "the battle ran";
    ASSERT_TRUE(run(status + "'" + folder.file("after.txt") + "'"));
    EXPECT_EQ(readFile(folder.file("after.txt")), readFile(folder.file("before.txt")));
}

} // namespace
} // namespace Tolvarine::Test
