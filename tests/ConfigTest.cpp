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
        if (!row.sections.empty()) {
            EXPECT_EQ(config.getKeys(row.sections[0]), row.firstSectionKeys);
        }
        for (const Lookup& lookup : row.values)
            EXPECT_EQ(config.getValue(lookup.section, lookup.key), lookup.value) << lookup.key;
    }
    const Config spaced = open(rows[6].text);
    EXPECT_FALSE(spaced.hasSection("Spaced Name"));
    EXPECT_TRUE(spaced.getKeys("").empty());
    EXPECT_FALSE(spaced.hasSection("C"));
    EXPECT_TRUE(spaced.getKeys("Missing").empty());
}

TEST_F(ConfigTest, TypedReadsConvertOrRaiseWithOneLogLineEvenWithADefault)
{
    const Config config = open("[T]\nfloat = -1.25e2\nunsigned = 4000000000\nshort = 65535\nno = 0\n"
                               "vector = ( 1 -2.5\t3 )\ncolour = (0.25 0.5 0.75 1)\ntext = some # text = here\n"
                               "commas = (1,2,3)\ntwo = (1 2)\nthreeColour = (1 1 1)\nword = true\nnegative = -1\n"
                               "trailing = 1.5 # comment\nbig = 70000\n");
    EXPECT_FLOAT_EQ(config.get<float>("T", "float"), -125.0f);
    EXPECT_EQ(config.get<unsigned int>("T", "unsigned"), 4000000000u);
    EXPECT_EQ(config.get<unsigned short>("T", "short"), 65535);
    EXPECT_FALSE(config.get<bool>("T", "no", true));
    EXPECT_EQ(config.get<Ogre::Vector3>("T", "vector"), Ogre::Vector3(1, -2.5f, 3));
    EXPECT_EQ(config.get<Ogre::ColourValue>("T", "colour"), Ogre::ColourValue(0.25f, 0.5f, 0.75f, 1));
    EXPECT_EQ(config.get("T", "text", "fallback"), "some # text = here");
    EXPECT_EQ(config.get<int>("T", "negative"), -1);
    EXPECT_EQ(config.get<Ogre::Vector3>("A", "v", Ogre::Vector3::UNIT_Y), Ogre::Vector3::UNIT_Y);

    LogCapture log;
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "commas", Ogre::Vector3::ZERO), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::Vector3>("T", "two", Ogre::Vector3::ZERO), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<Ogre::ColourValue>("T", "threeColour"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<bool>("T", "word", false), boost::bad_lexical_cast);
    // Negative counts would otherwise wrap round to the type's maximum.
    EXPECT_THROW(config.get<unsigned int>("T", "negative", 3u), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<unsigned short>("T", "negative"), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<float>("T", "trailing", 0.0f), boost::bad_lexical_cast);
    EXPECT_THROW(config.get<unsigned short>("T", "big"), boost::bad_lexical_cast);
    EXPECT_THROW(config.getValue("T", "missing"), ConfigurationError);
    EXPECT_THROW(config.get<float>("T", "missing"), ConfigurationError);
    const std::string tail = " failed lexical cast (" + castError + ")";
    EXPECT_EQ(log.lines(), (Strings{"(1,2,3)" + tail, "(1 2)" + tail, "(1 1 1)" + tail, "true" + tail, "-1" + tail,
                                    "-1" + tail, "1.5 # comment" + tail, "70000" + tail,
                                    "Key missing not found in section T"}));

    // Enciphered files keep keys and values out of the log.
    const Config secret = open("[Secret]\nbad = (1,2)\n", false, true);
    log.clear();
    EXPECT_THROW(secret.get<Ogre::Vector3>("Secret", "bad"), boost::bad_lexical_cast);
    Config writable = secret;
    EXPECT_THROW(writable.set<float>("Secret", "missing", 1.0f), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"Failed lexical cast (" + castError + ")", "Key not found"}));
}

TEST_F(ConfigTest, VerboseOpeningLogsEveryHeaderAndStoredKey)
{
    writeFile(path(), "[A]\nk = v\nk = duplicate\n# c = x\n[B]\n");
    for (const bool enciphered : {false, true}) {
        SCOPED_TRACE(enciphered);
        LogCapture log;
        Config config(path(), false, enciphered, true);
        Strings expected{"Config \"" + path() + "\" parsing...", "Section A:", "\"k\": \"v\"", "Section B:", "done"};
        if (enciphered)
            expected.erase(expected.begin() + 2);
        EXPECT_EQ(log.lines(), expected);
    }
}

TEST_F(ConfigTest, WritesUseTheFormTheReadsAcceptNeedAllowCreateAndSaveInAscendingOrder)
{
    Config fixed = open("# header comment\n[B]\nz = 1\n# comment = x\na   =   2 = 3\n[A]\nk = v\nf = 0\n[]\nx = 1\n");
    {
        LogCapture log;
        EXPECT_THROW(fixed.setValue("A", "new", "2"), ConfigurationError);
        EXPECT_TRUE(log.lines().empty());
        EXPECT_THROW(fixed.set<float>("C", "k", 2.0f), ConfigurationError);
        EXPECT_EQ(log.lines(), (Strings{"Key k not found in section C"}));
    }
    EXPECT_FALSE(fixed.hasSection("C"));
    fixed.set("A", "f", 1234567.0f);
    EXPECT_EQ(fixed.getValue("A", "f"), "1.23457e+06");
    fixed.save();
    EXPECT_EQ(readFile(path()), "[]\n\n[A]\nf = 1.23457e+06\nk = v\n\n[B]\na = 2 = 3\nz = 1\n\n");

    Config growing = open("[A]\nk = 1\n", true);
    growing.set("B", "v", Ogre::Vector3(1.5f, -2, 0));
    growing.set("B", "c", Ogre::ColourValue(1, 0.5f, 0.25f, 0));
    growing.set<std::string>("B", "s", "a = b # c");
    EXPECT_EQ(growing.get<Ogre::Vector3>("B", "v"), Ogre::Vector3(1.5f, -2, 0));
    EXPECT_EQ(growing.get<Ogre::ColourValue>("B", "c"), Ogre::ColourValue(1, 0.5f, 0.25f, 0));
    // Sections added later are not headers of the file.
    EXPECT_EQ(growing.getSectionNames(), Strings{"A"});
    const std::string other = folder.file("other.cfg");
    growing.save(other);
    EXPECT_EQ(readFile(other), "[A]\nk = 1\n\n[B]\nc = (1 0.5 0.25 0)\ns = a = b # c\nv = (1.5 -2 0)\n\n");
}

TEST_F(ConfigTest, MissingFilesAndFailedWritesAreLogged)
{
    const std::string missing = folder.file("missing.cfg");
    LogCapture log;
    EXPECT_THROW(Config{missing}, ConfigurationError);
    EXPECT_FALSE(fileExists(missing));
    Config created(missing, true);
    EXPECT_EQ(readFile(missing), "");
    // Settings in a folder that does not exist: logged, never thrown, never silently lost.
    const std::string nowhere = folder.file("no/such/folder/settings.cfg");
    Config config(nowhere, true);
    config.save();
    EXPECT_EQ(log.lines(), (Strings{missing + " does not exist", missing + " does not exist", nowhere + " does not exist",
                                    "Config: could not write " + nowhere, "Config: could not write " + nowhere}));
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

}

} // namespace
} // namespace Tolvarine
