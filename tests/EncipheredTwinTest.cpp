#include "Config.h"
#include "EncipheredTwin.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::readFile;
using Test::writeFile;

std::vector<std::uint32_t> littleEndianWords(const std::string& hex)
{
    std::vector<std::uint32_t> words(hex.size() / 8, 0);
    for (std::size_t byte = 0; byte < hex.size() / 2; ++byte)
        words[byte / 4] |= std::stoul(hex.substr(2 * byte, 2), nullptr, 16) << (8 * (byte % 4));
    return words;
}

TEST(EncipheredTwin, CipherMatchesTheReferenceVectorsAndTwinsKeepEveryText)
{
    // Published test vectors of the corrected block TEA cipher: key, plain, cipher.
    const char* vectors[][3] = {{"00000000000000000000000000000000", "0000000000000000", "ab043705808c5d57"},
                                {"9e3779b99b9773e9b979379e6b695156", "ffffffffffffffff", "67ed0ea8e8973fc5"},
                                {"0102040810204080fffefcf8f0e0c080", "fffefcf8f0e0c080", "8c3707c01c7fccc4"}};
    for (const auto& v : vectors) {
        SCOPED_TRACE(v[1]);
        const std::vector<std::uint32_t> key = littleEndianWords(v[0]);
        std::vector<std::uint32_t> words = littleEndianWords(v[1]);
        ASSERT_TRUE(encipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(v[2]));
        ASSERT_TRUE(decipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(v[1]));
    }
    std::uint32_t single = 1234;
    EXPECT_FALSE(encipherWords(&single, 1, twinKey));
    EXPECT_FALSE(decipherWords(&single, 1, twinKey));
    EXPECT_EQ(single, 1234u);

    // Texts that fill their twin exactly (8, 12 bytes) have no zero byte of their own to end them;
    // everything after a zero byte is lost.
    Tolvarine::Test::TemporaryFolder folder;
    const std::string twin = folder.file("twin.cfgx");
    const std::pair<std::string, std::size_t> rows[] = {
        {"", 8}, {"a", 8}, {"12345678", 8}, {"123456789", 12}, {"123456789012", 12}, {"1234567890123", 16}};
    for (const auto& [text, size] : rows) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(encipherToFile(text, twin));
        EXPECT_EQ(readFile(twin).size(), size);
        EXPECT_EQ(decipherFromFile(twin), text);
    }
    ASSERT_TRUE(encipherToFile(std::string("ab\0cd", 5), twin));
    EXPECT_EQ(decipherFromFile(twin), "ab");
}

TEST(EncipheredTwin, PlainFileWinsTwinIsReadAloneAndSavesKeepBothInStep)
{
    Tolvarine::Test::TemporaryFolder folder;
    const std::string plain = folder.file("ship.cfg"), twin = folder.file("ship.cfgx");
    encipherToFile("[A]\nk = from twin", twin);
    EXPECT_EQ(Config(plain, false, true).getValue("A", "k"), "from twin");
    EXPECT_FALSE(Tolvarine::Test::fileExists(plain));
    // Every trailing "x" of the file name goes: a path naming the twin opens the plain name.
    EXPECT_EQ(Config(twin + "xx").getValue("A", "k"), "from twin");
    {
        Config config(plain, false, true);
        config.setValue("A", "k", "2");
        config.save();
    }
    EXPECT_FALSE(Tolvarine::Test::fileExists(plain));
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 2\n\n");

    // The plain file wins, and an enciphered reading refreshes the twin from it.
    writeFile(plain, "[A]\r\nk = plain\r\n");
    EXPECT_EQ(Config(plain).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 2\n\n");
    EXPECT_EQ(Config(plain, false, true).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = plain\n");
    // Saving writes the plain file too: else the next opening would overwrite the twin from it.
    {
        Config config(plain, false, true);
        config.setValue("A", "k", "4");
        config.save();
    }
    EXPECT_EQ(readFile(plain), "[A]\nk = 4\n\n");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 4\n\n");

    std::filesystem::remove(twin);
    std::filesystem::create_directory(twin);
    Tolvarine::Test::LogCapture log;
    Config(plain, false, true).save();
    EXPECT_EQ(log.lines(), std::vector<std::string>(2, "Config: could not write " + twin));
    EXPECT_EQ(readFile(plain), "[A]\nk = 4\n\n");
}

} // namespace
} // namespace Tolvarine
