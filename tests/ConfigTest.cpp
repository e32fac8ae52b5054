#include "Config.h"
#include "ConfigurationError.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <OgreColourValue.h>
#include <OgreMatrix3.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <functional>
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

const std::string castError = "bad lexical cast: source type value could not be interpreted as target";

class ConfigTest : public ::testing::Test {
protected:
    // Writes `text` as the file "test.cfg" and opens it.
    Config open(const std::string& text, bool allowCreate = false, bool enciphered = false, bool verbose = false)
    {
        writeFile(path(), text);
        return Config(path(), allowCreate, enciphered, verbose);
    }
    std::string path() const { return folder.file("test.cfg"); }

    TemporaryFolder folder;
};

TEST_F(ConfigTest, ParsingFollowsItsRules)
{
    struct Lookup {
        const char* section;
        const char* key;
        const char* value;
    };
    struct Row {
        const char* rule;
        const char* text;
        Strings sections;
        Strings firstSectionKeys;
        std::vector<Lookup> values;
    };
    const Row rows[] = {
        {"text before the first bracket is ignored", "k = v junk [A]\nkey = 1\n", {"A"}, {"key"}, {{"A", "key", "1"}}},
        {"the first header may span lines", "[Two\nLines]\nk = v\n", {"Two\nLines"}, {"k"}, {{"Two\nLines", "k", "v"}}},
        {"an unclosed first header takes nothing", "[A\nk = v\n[B\n", {}, {}, {}},
        {"what follows the first ']' is the section's first line", "[A] k = v\n", {"A"}, {"k"}, {{"A", "k", "v"}}},
        {"keys are split at the first '=' and trimmed; '#' starts a comment only at the start",
         "[A]\n  plain =  value with spaces \t\nequation = a=b = c\nhash = 1 # not a comment\n# comment = skipped\n"
         "  #also = skipped\nno equals sign here\n = empty key\nemptyValue =\n\t\n\n",
         {"A"},
         {"", "emptyValue", "equation", "hash", "plain"},
         {{"A", "plain", "value with spaces"}, {"A", "equation", "a=b = c"}, {"A", "hash", "1 # not a comment"},
          {"A", "", "empty key"}, {"A", "emptyValue", ""}}},
        {"the first key wins and a repeated header continues its section",
         "[A]\nk = first\nk = second\n[B]\nb = 1\n[A]\nk = third\nnew = 2\n", {"A", "B", "A"}, {"k", "new"},
         {{"A", "k", "first"}, {"A", "new", "2"}}},
        // The empty section exists but takes no keys.
        {"later headers are trimmed lines that keep their inner spaces",
         "[A]\n  [B]\t\nb = 1\n[ Spaced Name ]\ns = 2\n[]\nskipped = 3\n[C]x\n", {"A", "B", " Spaced Name ", ""}, {},
         {{"B", "b", "1"}, {" Spaced Name ", "s", "2"}}},
        // A hand-written file often lacks the final line feed; its last key must not be lost.
        {"the last line needs no line feed", "[A]\nk = v", {"A"}, {"k"}, {{"A", "k", "v"}}},
        {"a last header needs no line feed", "[A]\n[B]", {"A", "B"}, {}, {}},
        {"CR LF ends lines", "[A]\r\nk = v\r\n[B]\r\nlast = 1.5", {"A", "B"}, {"k"}, {{"A", "k", "v"}, {"B", "last", "1.5"}}},
        {"a lone CR is not a line end and stays in the value", "[A]\nk = v\r \n", {"A"}, {"k"}, {{"A", "k", "v\r"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        const Config config = open(row.text);
        EXPECT_EQ(config.getSectionNames(), row.sections);
        if (!row.sections.empty())
            EXPECT_EQ(config.getKeys(row.sections[0]), row.firstSectionKeys);
        for (const Lookup& lookup : row.values)
            EXPECT_EQ(config.getValue(lookup.section, lookup.key), lookup.value) << lookup.key;
    }
    const Config spaced = open(rows[6].text);
    EXPECT_FALSE(spaced.hasSection("Spaced Name"));
    EXPECT_TRUE(spaced.getKeys("").empty());
    EXPECT_FALSE(spaced.hasSection("C"));
    EXPECT_TRUE(spaced.getKeys("Missing").empty());
}

TEST_F(ConfigTest, TypedReadsConvertTheValueText)
{
    const Config config = open("[T]\n"
                               "float = -1.25e2\n"
                               "int = -7\n"
                               "unsigned = 4000000000\n"
                               "short = 65535\n"
                               "yes = 1\n"
                               "no = 0\n"
                               "vector = ( 1 -2.5\t3 )\n"
                               "tightVector = (1 2 3)\n"
                               "colour = (0.25 0.5 0.75 1)\n"
                               "text = some # text = here\n");
    EXPECT_FLOAT_EQ(config.get<float>("T", "float"), -125.0f);
    EXPECT_EQ(config.get<int>("T", "int"), -7);
    EXPECT_EQ(config.get<unsigned int>("T", "unsigned"), 4000000000u);
    EXPECT_EQ(config.get<unsigned short>("T", "short"), 65535);
    EXPECT_TRUE(config.get<bool>("T", "yes"));
    EXPECT_FALSE(config.get<bool>("T", "no", true));
    EXPECT_EQ(config.get<Ogre::Vector3>("T", "vector"), Ogre::Vector3(1, -2.5f, 3));
    EXPECT_EQ(config.get<Ogre::Vector3>("T", "tightVector"), Ogre::Vector3(1, 2, 3));
    EXPECT_EQ(config.get<Ogre::ColourValue>("T", "colour"), Ogre::ColourValue(0.25f, 0.5f, 0.75f, 1));
    EXPECT_EQ(config.get<std::string>("T", "text"), "some # text = here");
    EXPECT_EQ(config.get("T", "text", "fallback"), "some # text = here");
}

TEST_F(ConfigTest, MalformedValuesAreLoggedWithTheValueAndRaiseEvenWithADefault)
{
    const Config config = open("[T]\n"
                               "commas = (1,2,3)\n"
                               "two = (1 2)\n"
                               "four = (1 2 3 4)\n"
                               "bare = 1 2 3\n"
                               "threeColour = (1 1 1)\n"
                               "word = true\n"
                               "negative = -1\n"
                               "trailing = 1.5 # comment\n"
                               "big = 70000\n");
    LogCapture log;
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "commas", Ogre::Vector3::ZERO), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "two", Ogre::Vector3::ZERO), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "four"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "bare"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::ColourValue>("T", "threeColour"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<bool>("T", "word", false), boost::bad_lexical_cast);
    // Negative counts would otherwise wrap round to the type's maximum.
    EXPECT_THROW(config.get<unsigned int>("T", "negative", 3u), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<unsigned short>("T", "negative"), boost::bad_lexical_cast);
    EXPECT_EQ(config.get<int>("T", "negative"), -1);
    EXPECT_FLOAT_EQ(config.get<float>("T", "negative"), -1.0f);
    EXPECT_THROW(config.get<float>("T", "trailing", 0.0f), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<unsigned short>("T", "big"), boost::bad_lexical_cast);

    const std::string tail = " failed lexical cast (" + castError + ")";
    EXPECT_EQ(log.lines(), (Strings{"(1,2,3)" + tail, "(1 2)" + tail, "(1 2 3 4)" + tail, "1 2 3" + tail,
                                    "(1 1 1)" + tail, "true" + tail, "-1" + tail, "-1" + tail,
                                    "1.5 # comment" + tail, "70000" + tail}));
}

TEST_F(ConfigTest, MissingKeysRaiseWithALogLineUnlessADefaultIsGiven)
{
    const Config config = open("[A]\nk = 1\n");
    LogCapture log;
    EXPECT_EQ(config.get<float>("A", "missing", 2.5f), 2.5f);
    EXPECT_EQ(config.get<std::string>("Missing", "k", "d"), "d");
    EXPECT_EQ(config.get<Ogre::Vector3>("A", "v", Ogre::Vector3::UNIT_Y), Ogre::Vector3::UNIT_Y);
    EXPECT_THROW(config.getValue("A", "missing"), ConfigurationError);
    EXPECT_TRUE(log.lines().empty());

    EXPECT_THROW(config.get<float>("A", "missing"), ConfigurationError);
    EXPECT_THROW(config.get<unsigned int>("Missing", "k"), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"Key missing not found in section A", "Key k not found in section Missing"}));
}

TEST_F(ConfigTest, EncipheredFilesKeepKeysAndValuesOutOfTheLog)
{
    const Config config = open("[Secret]\nbad = (1,2)\n", false, true);
    LogCapture log;
    EXPECT_THROW(config.get<Ogre::Vector3>("Secret", "bad"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<float>("Secret", "missing"), ConfigurationError);
    Config writable = config;
    EXPECT_THROW(writable.set<float>("Secret", "missing", 1.0f), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"Failed lexical cast (" + castError + ")", "Key not found", "Key not found"}));
}

TEST_F(ConfigTest, VerboseOpeningLogsEveryHeaderAndStoredKey)
{
    writeFile(path(), "[A]\nk = v\nk = duplicate\n# c = x\n[B]\n");
    {
        LogCapture log;
        Config config(path(), false, false, true);
        EXPECT_EQ(log.lines(), (Strings{"Config \"" + path() + "\" parsing...", "Section A:", "\"k\": \"v\"",
                                        "Section B:", "done"}));
    }
    {
        LogCapture log;
        Config config(path(), false, true, true);
        EXPECT_EQ(log.lines(), (Strings{"Config \"" + path() + "\" parsing...", "Section A:", "Section B:", "done"}));
    }
}

TEST_F(ConfigTest, TypedWritesUseTheFormTheReadsAccept)
{
    Config config = open("[W]\nf = 0\nu = 0\nb = 0\nv = 0\nc = 0\ns = 0\ni = 0\nh = 0\n");
    struct Row {
        const char* key;
        std::function<void()> write;
        const char* text;
    };
    const Row rows[] = {
        {"f", [&] { config.set("W", "f", 1234567.0f); }, "1.23457e+06"},
        {"f", [&] { config.set("W", "f", 0.1f); }, "0.1"},
        {"f", [&] { config.set("W", "f", 0.00001f); }, "1e-05"},
        {"b", [&] { config.set("W", "b", true); }, "1"},
        {"v", [&] { config.set("W", "v", Ogre::Vector3(1.5f, -2, 0)); }, "(1.5 -2 0)"},
        {"c", [&] { config.set("W", "c", Ogre::ColourValue(1, 0.5f, 0.25f, 0)); }, "(1 0.5 0.25 0)"},
        {"s", [&] { config.set<std::string>("W", "s", "a = b # c"); }, "a = b # c"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        row.write();
        EXPECT_EQ(config.getValue("W", row.key), row.text);
    }
    EXPECT_EQ(config.get<Ogre::Vector3>("W", "v"), Ogre::Vector3(1.5f, -2, 0));
    EXPECT_EQ(config.get<Ogre::ColourValue>("W", "c"), Ogre::ColourValue(1, 0.5f, 0.25f, 0));
}

TEST_F(ConfigTest, WritesToUnknownKeysNeedAllowCreate)
{
    Config fixed = open("[A]\nk = 1\n");
    {
        LogCapture log;
        EXPECT_THROW(fixed.setValue("A", "new", "2"), ConfigurationError);
        EXPECT_THROW(fixed.setValue("B", "k", "2"), ConfigurationError);
        EXPECT_TRUE(log.lines().empty());
        EXPECT_THROW(fixed.set<float>("A", "new", 2.0f), ConfigurationError);
        EXPECT_THROW(fixed.set<float>("B", "k", 2.0f), ConfigurationError);
        EXPECT_EQ(log.lines(), (Strings{"Key new not found in section A", "Key k not found in section B"}));
    }
    EXPECT_FALSE(fixed.hasSection("B"));

    Config growing = open("[A]\nk = 1\n", true);
    growing.setValue("A", "k", "replaced");
    growing.setValue("A", "new", "2");
    growing.set("B", "f", 3.0f);
    EXPECT_EQ(growing.getValue("A", "k"), "replaced");
    EXPECT_EQ(growing.getValue("A", "new"), "2");
    EXPECT_EQ(growing.getValue("B", "f"), "3");
    // Sections added later are not headers of the file.
    EXPECT_TRUE(growing.hasSection("B"));
    EXPECT_EQ(growing.getSectionNames(), Strings{"A"});
}

TEST_F(ConfigTest, SaveWritesSectionsAndKeysInAscendingOrder)
{
    Config config = open("# header comment\n[B]\nz = 1\n# comment = x\na   =   2 = 3\n[A]\nk = v\n[]\nx = 1\n");
    config.save();
    EXPECT_EQ(readFile(path()), "[]\n\n[A]\nk = v\n\n[B]\na = 2 = 3\nz = 1\n\n");

    const std::string other = folder.file("other.cfg");
    config.setValue("A", "k", "changed");
    config.save(other);
    EXPECT_EQ(readFile(other), "[]\n\n[A]\nk = changed\n\n[B]\na = 2 = 3\nz = 1\n\n");
    EXPECT_EQ(Config(path()).getValue("A", "k"), "v");
    EXPECT_EQ(Config(other).getValue("A", "k"), "changed");
}

TEST_F(ConfigTest, MissingFilesAndFailedWritesAreLogged)
{
    const std::string missing = folder.file("missing.cfg");
    {
        LogCapture log;
        EXPECT_THROW(Config{missing}, ConfigurationError);
        EXPECT_EQ(log.lines(), Strings{missing + " does not exist"});
        EXPECT_FALSE(fileExists(missing));
    }
    {
        LogCapture log;
        Config created(missing, true);
        EXPECT_EQ(log.lines(), Strings{missing + " does not exist"});
        EXPECT_TRUE(fileExists(missing));
        EXPECT_EQ(readFile(missing), "");
        created.setValue("A", "k", "v");
        created.save();
        EXPECT_EQ(readFile(missing), "[A]\nk = v\n\n");
    }
    {
        // Settings in a folder that does not exist: logged, never thrown, never silently lost.
        const std::string nowhere = folder.file("no/such/folder/settings.cfg");
        LogCapture log;
        Config config(nowhere, true);
        config.save();
        config.save(folder.file("no/such/other.cfg"));
        EXPECT_EQ(log.lines(), (Strings{nowhere + " does not exist", "Config: could not write " + nowhere,
                                        "Config: could not write " + nowhere,
                                        "Config: could not write " + folder.file("no/such/other.cfg")}));
    }
}

TEST(EulerDegrees, RotatesAboutTheFixedAxesXThenYThenZ)
{
    const Ogre::Vector3 turned = eulerDegreesToQuaternion(Ogre::Vector3(90, 0, 0)) * Ogre::Vector3::UNIT_Y;
    EXPECT_TRUE(turned.positionEquals(Ogre::Vector3::UNIT_Z, 1e-5f)) << turned;

    const Ogre::Vector3 angles(30, -45, 100);
    Ogre::Matrix3 fixedAxes;
    fixedAxes.FromEulerAnglesZYX(Ogre::Degree(angles.z), Ogre::Degree(angles.y), Ogre::Degree(angles.x));
    const Ogre::Quaternion expected(fixedAxes);
    const Ogre::Quaternion actual = eulerDegreesToQuaternion(angles);
    for (const Ogre::Vector3& v : {Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Y, Ogre::Vector3(1, 2, 3)})
        EXPECT_TRUE((actual * v).positionEquals(expected * v, 1e-4f)) << actual * v << " vs " << expected * v;

    EXPECT_TRUE(eulerDegreesToQuaternion(Ogre::Vector3::ZERO).equals(Ogre::Quaternion::IDENTITY, Ogre::Degree(1e-3f)));
}

} // namespace
} // namespace Tolvarine
