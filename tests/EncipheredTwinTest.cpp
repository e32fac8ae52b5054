#include "Config.h"
#include "EncipheredTwin.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::fileExists;
using Test::LogCapture;
using Test::readFile;
using Test::TemporaryFolder;
using Test::writeFile;
using Strings = std::vector<std::string>;

std::vector<std::uint32_t> littleEndianWords(const std::string& hex)
{
    std::vector<std::uint32_t> words(hex.size() / 8, 0);
    for (std::size_t byte = 0; byte < hex.size() / 2; ++byte) {
        const std::uint32_t value = static_cast<std::uint32_t>(std::stoul(hex.substr(2 * byte, 2), nullptr, 16));
        words[byte / 4] |= value << (8 * (byte % 4));
    }
    return words;
}

// Published test vectors of the corrected block TEA cipher, as byte strings in hexadecimal.
TEST(EncipheredTwin, CipherMatchesTheReferenceVectors)
{
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"00000000000000000000000000000000", "0000000000000000", "ab043705808c5d57"},
        {"0102040810204080fffefcf8f0e0c080", "0000000000000000", "d1e78be2c746728a"},
        {"9e3779b99b9773e9b979379e6b695156", "ffffffffffffffff", "67ed0ea8e8973fc5"},
        {"0102040810204080fffefcf8f0e0c080", "fffefcf8f0e0c080", "8c3707c01c7fccc4"},
    };
    for (const Vector& vector : vectors) {
        const std::vector<std::uint32_t> key = littleEndianWords(vector.key);
        std::vector<std::uint32_t> words = littleEndianWords(vector.plain);
        ASSERT_TRUE(encipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(vector.cipher)) << vector.key << " " << vector.plain;
        ASSERT_TRUE(decipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(vector.plain));
    }

    std::uint32_t key[4];
    std::memcpy(key, "qemartuvo]ziply", 16);
    EXPECT_EQ(std::vector<std::uint32_t>(key, key + 4), std::vector<std::uint32_t>(twinKey, twinKey + 4));

    std::uint32_t single = 1234;
    EXPECT_FALSE(encipherWords(&single, 1, twinKey));
    EXPECT_FALSE(decipherWords(&single, 1, twinKey));
    EXPECT_EQ(single, 1234u);
}

TEST(EncipheredTwin, TwinLengthIsPaddedToWordsAndAtLeastEightBytes)
{
    TemporaryFolder folder;
    const std::string twin = folder.file("twin.cfgx");
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 8}, {"a", 8}, {"1234567", 8}, {"12345678", 8}, {"123456789", 12}, {"123456789012", 12}, {"1234567890123", 16}};
    for (const auto& [text, size] : cases) {
        ASSERT_TRUE(encipherToFile(text, twin));
        EXPECT_EQ(readFile(twin).size(), size) << text;
        EXPECT_EQ(decipherFromFile(twin), text);
    }

    // Texts that fill their twin exactly (8, 12, ... bytes) have no zero byte of their own to end them.
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(1, 255);
    for (std::size_t length = 0; length < 70; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(static_cast<char>(byte(random)));
        ASSERT_TRUE(encipherToFile(text, twin));
        EXPECT_EQ(decipherFromFile(twin), text) << length;
    }

    // Everything after a zero byte is lost.
    ASSERT_TRUE(encipherToFile(std::string("ab\0cd", 5), twin));
    EXPECT_EQ(decipherFromFile(twin), "ab");
}

class TwinRules : public ::testing::Test {
protected:
    std::string plain() const { return folder.file("ship.cfg"); }
    std::string twin() const { return folder.file("ship.cfgx"); }

    TemporaryFolder folder;
};

TEST_F(TwinRules, ThePlainFileWinsAndRefreshesTheTwinOfAnEncipheredFile)
{
    writeFile(plain(), "[A]\r\nk = plain\r\n");
    encipherToFile("[A]\nk = stale twin\n", twin());

    EXPECT_EQ(Config(plain()).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin()), "[A]\nk = stale twin\n");
    EXPECT_EQ(Config(plain(), false, true).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin()), "[A]\nk = plain\n");
}

TEST_F(TwinRules, TheTwinIsReadWhenOnlyItExists)
{
    encipherToFile("[A]\nk = from twin", twin());
    EXPECT_EQ(Config(plain()).getValue("A", "k"), "from twin");
    EXPECT_EQ(Config(plain(), false, true).getValue("A", "k"), "from twin");
    EXPECT_FALSE(fileExists(plain()));

    // Every trailing "x" of the file name goes: a path naming the twin opens the plain name.
    EXPECT_EQ(Config(twin() + "xx").getValue("A", "k"), "from twin");
}

TEST_F(TwinRules, SavingAnEncipheredFileKeepsThePlainFileInStep)
{
    encipherToFile("[A]\nk = 1\n", twin());
    {
        Config config(plain(), false, true);
        config.setValue("A", "k", "2");
        config.save();
    }
    EXPECT_FALSE(fileExists(plain()));
    EXPECT_EQ(decipherFromFile(twin()), "[A]\nk = 2\n\n");

    // With the plain file present it is written too; otherwise the next opening would read the
    // stale plain file and overwrite the saved twin from it.
    writeFile(plain(), "[A]\nk = 3\n");
    {
        Config config(plain(), false, true);
        config.setValue("A", "k", "4");
        config.save();
    }
    EXPECT_EQ(readFile(plain()), "[A]\nk = 4\n\n");
    EXPECT_EQ(decipherFromFile(twin()), "[A]\nk = 4\n\n");
    EXPECT_EQ(Config(plain(), false, true).getValue("A", "k"), "4");
}

TEST_F(TwinRules, TwinsThatCannotBeWrittenAreLogged)
{
    writeFile(plain(), "[A]\nk = 1\n");
    std::filesystem::create_directory(twin());
    LogCapture log;
    Config config(plain(), false, true);
    config.save();
    EXPECT_EQ(log.lines(), (Strings{"Config: could not write " + twin(), "Config: could not write " + twin()}));
    EXPECT_EQ(readFile(plain()), "[A]\nk = 1\n\n");
}

} // namespace
} // namespace Tolvarine
