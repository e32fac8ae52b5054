#include "Config.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"

#include "ConfigFiles.h"

#include <OgreColourValue.h>
#include <OgreVector.h>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <random>
#include <string>

namespace Tolvarine {
namespace {

using Test::TemporaryFolder;
using Test::writeFile;

// Random bytes, weighted towards the characters the parser and the value readers act on, so that
// headers, keys, comments, line ends and parenthesised values come up often.
std::string randomText(std::mt19937& random)
{
    static const std::string interesting = "[]=#()\n\r\t -.e01239xX";
    std::uniform_int_distribution<std::size_t> length(0, 160);
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<std::size_t> fromInteresting(0, interesting.size() - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::string text;
    const std::size_t size = length(random);
    for (std::size_t i = 0; i < size; ++i)
        text.push_back(pick(random) == 0 ? static_cast<char>(anyByte(random)) : interesting[fromInteresting(random)]);
    return text;
}

template <typename T>
void readEveryWay(const Config& config, const std::string& section, const std::string& key)
{
    try {
        config.get<T>(section, key);
    } catch (const boost::bad_lexical_cast&) {
        // Malformed values are expected here; anything else escaping is a failure.
    }
}

void readEverything(const Config& config)
{
    for (const std::string& section : config.getSectionNames()) {
        ASSERT_TRUE(config.hasSection(section));
        for (const std::string& key : config.getKeys(section)) {
            ASSERT_NO_THROW(config.getValue(section, key));
            readEveryWay<float>(config, section, key);
            readEveryWay<int>(config, section, key);
            readEveryWay<unsigned int>(config, section, key);
            readEveryWay<unsigned short>(config, section, key);
            readEveryWay<bool>(config, section, key);
            readEveryWay<Ogre::Vector3>(config, section, key);
            readEveryWay<Ogre::ColourValue>(config, section, key);
        }
    }
}

TEST(ConfigFuzz, RandomFilesAndTwinsNeverCrashTheReader)
{
    TemporaryFolder folder;
    const std::string plain = folder.file("fuzz.cfg");
    const std::string twin = folder.file("fuzz.cfgx");
    const std::string saved = folder.file("saved.cfg");
    std::mt19937 random(1234567);

    for (int round = 0; round < 3000; ++round) {
        const std::string text = randomText(random);

        writeFile(plain, text);
        const Config config(plain, false, round % 2 == 0);
        readEverything(config);
        config.save(saved);
        readEverything(Config(saved));

        // The same bytes as a damaged twin, with no plain file beside it.
        std::filesystem::remove(plain);
        writeFile(twin, text);
        const std::string deciphered = decipherFromFile(twin);
        EXPECT_EQ(deciphered.find('\0'), std::string::npos);
        EXPECT_LE(deciphered.size(), std::max<std::size_t>(8, text.size() + 3));
        readEverything(Config(plain));
        std::filesystem::remove(twin);

        if (::testing::Test::HasFatalFailure())
            FAIL() << "round " << round;
    }
}

} // namespace
} // namespace Tolvarine
