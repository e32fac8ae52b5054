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

TEST_F(ConfigTest, TextBeforeTheFirstBracketIsIgnoredAndTheFirstHeaderMaySpanLines)
{
    const Config midLine = open("k = v junk [A]\nkey = 1\n");
    EXPECT_EQ(midLine.getSectionNames(), Strings{"A"});
    EXPECT_EQ(midLine.getKeys("A"), Strings{"key"});

    const Config spanning = open("[Two\nLines]\nk = v\n");
    EXPECT_EQ(spanning.getSectionNames(), Strings{"Two\nLines"});
    EXPECT_EQ(spanning.getValue("Two\nLines", "k"), "v");

    const Config unclosed = open("[A\nk = v\n[B\n");
    EXPECT_TRUE(unclosed.getSectionNames().empty());
    EXPECT_FALSE(unclosed.hasSection("A"));

    EXPECT_TRUE(open("").getSectionNames().empty());
    EXPECT_TRUE(open("no header at all\nk = v\n").getSectionNames().empty());

    // What follows the first "]" on its line is that section's first line.
    EXPECT_EQ(open("[A] k = v\n").getValue("A", "k"), "v");
}

TEST_F(ConfigTest, KeyLinesAreSplitAtTheFirstEqualsAndTrimmed)
{
    const Config config = open("[A]\n"
                               "  plain =  value with spaces \t\n"
                               "equation = a=b = c\n"
                               "hash = 1 # not a comment\n"
                               "# comment = skipped\n"
                               "  #also = skipped\n"
                               "no equals sign here\n"
                               " = empty key\n"
                               "emptyValue =\n"
                               "\t\n"
                               "\n");
    EXPECT_EQ(config.getKeys("A"), (Strings{"", "emptyValue", "equation", "hash", "plain"}));
    EXPECT_EQ(config.getValue("A", "plain"), "value with spaces");
    EXPECT_EQ(config.getValue("A", "equation"), "a=b = c");
    EXPECT_EQ(config.getValue("A", "hash"), "1 # not a comment");
    EXPECT_EQ(config.getValue("A", ""), "empty key");
    EXPECT_EQ(config.getValue("A", "emptyValue"), "");
}

TEST_F(ConfigTest, FirstKeyWinsAndARepeatedHeaderContinuesItsSection)
{
    const Config config = open("[A]\nk = first\nk = second\n[B]\nb = 1\n[A]\nk = third\nnew = 2\n");
    EXPECT_EQ(config.getValue("A", "k"), "first");
    EXPECT_EQ(config.getValue("A", "new"), "2");
    EXPECT_EQ(config.getKeys("A"), (Strings{"k", "new"}));
    EXPECT_EQ(config.getSectionNames(), (Strings{"A", "B", "A"}));
}

TEST_F(ConfigTest, HeadersAfterTheFirstAreTrimmedLinesButKeepTheirInnerSpaces)
{
    const Config config = open("[A]\n  [B]\t\nb = 1\n[ Spaced Name ]\ns = 2\n[]\nskipped = 3\n[C]x\n");
    EXPECT_EQ(config.getSectionNames(), (Strings{"A", "B", " Spaced Name ", ""}));
    EXPECT_EQ(config.getValue("B", "b"), "1");
    EXPECT_EQ(config.getValue(" Spaced Name ", "s"), "2");
    EXPECT_FALSE(config.hasSection("Spaced Name"));
    // The empty section exists but takes no keys.
    EXPECT_TRUE(config.hasSection(""));
    EXPECT_TRUE(config.getKeys("").empty());
    EXPECT_FALSE(config.hasSection("C"));
    EXPECT_FALSE(config.hasSection("a"));
    EXPECT_TRUE(config.getKeys("Missing").empty());
}

TEST_F(ConfigTest, LineEndsAndTheLastLine)
{
    // A hand-written file often lacks the final line feed; its last key must not be lost.
    EXPECT_EQ(open("[A]\nk = v").getValue("A", "k"), "v");
    EXPECT_EQ(open("[A]\nk = v\n").getValue("A", "k"), "v");
    EXPECT_EQ(open("[A]\n[B]").getSectionNames(), (Strings{"A", "B"}));

    const Config crlf = open("[A]\r\nk = v\r\n[B]\r\nlast = 1.5");
    EXPECT_EQ(crlf.getSectionNames(), (Strings{"A", "B"}));
    EXPECT_EQ(crlf.getValue("A", "k"), "v");
    EXPECT_FLOAT_EQ(crlf.get<float>("B", "last"), 1.5f);

    // A lone carriage return is not a line end and is kept in the value.
    EXPECT_EQ(open("[A]\nk = v\r \n").getValue("A", "k"), "v\r");
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
    config.set("W", "f", 1234567.0f);
    EXPECT_EQ(config.getValue("W", "f"), "1.23457e+06");
    config.set("W", "f", 0.1f);
    EXPECT_EQ(config.getValue("W", "f"), "0.1");
    config.set("W", "f", 0.00001f);
    EXPECT_EQ(config.getValue("W", "f"), "1e-05");
    config.set("W", "u", 1000000u);
    EXPECT_EQ(config.get<unsigned int>("W", "u"), 1000000u);
    config.set("W", "b", true);
    EXPECT_EQ(config.getValue("W", "b"), "1");
    config.set("W", "i", -42);
    EXPECT_EQ(config.get<int>("W", "i"), -42);
    config.set<unsigned short>("W", "h", 65535);
    EXPECT_EQ(config.getValue("W", "h"), "65535");
    config.set("W", "v", Ogre::Vector3(1.5f, -2, 0));
    EXPECT_EQ(config.getValue("W", "v"), "(1.5 -2 0)");
    EXPECT_EQ(config.get<Ogre::Vector3>("W", "v"), Ogre::Vector3(1.5f, -2, 0));
    config.set("W", "c", Ogre::ColourValue(1, 0.5f, 0.25f, 0));
    EXPECT_EQ(config.get<Ogre::ColourValue>("W", "c"), Ogre::ColourValue(1, 0.5f, 0.25f, 0));
    config.set<std::string>("W", "s", "a = b # c");
    EXPECT_EQ(config.getValue("W", "s"), "a = b # c");
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
    EXPECT_EQ(fixed.getKeys("A"), Strings{"k"});
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

    // A copy is independent of its original.
    Config copy = growing;
    copy.setValue("A", "k", "changed in the copy");
    EXPECT_EQ(growing.getValue("A", "k"), "replaced");
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
