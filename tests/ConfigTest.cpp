#include "Config.h"
#include "ConfigFiles.h"
#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "LogCapture.h"
#include "ResponseCurves.h"

#include <OgreColourValue.h>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <functional>

namespace Tolvarine {
namespace {

using Test::fileExists;
using Test::LogCapture;
using Test::readFile;
using Test::writeFile;
using Strings = std::vector<std::string>;

const std::string castError = "bad lexical cast: source type value could not be interpreted as target";

// The line that follows every refused read or write: the place, so that a modder knows which of
// many files is broken.
std::string placeLine(const std::string& file, const std::string& section, const std::string& key)
{
    return "Config: in " + file + ", section " + section + ", key " + key;
}

class ConfigTest : public ::testing::Test {
protected:
    // Writes `text` as the file "test.cfg" and opens it.
    Config open(const std::string& text, bool allowCreate = false, bool enciphered = false)
    {
        writeFile(path(), text);
        return Config(path(), allowCreate, enciphered);
    }
    std::string path() const { return folder.file("test.cfg"); }

    Tolvarine::Test::TemporaryFolder folder;
};

TEST_F(ConfigTest, TypedReadsConvertOrRaiseWithOneLogLineEvenWithADefault)
{
    // CR LF ends lines; hand-written files often lack the last line feed, yet the last key counts.
    const Config config = open("[T]\r\nfloat = -1.25e2\r\nunsigned = 4000000000\nshort = 65535\nno = 0\n"
                               "vector = ( 1 -2.5\t3 )\ncolour = (0.25 0.5 0.75 1)\ntext = some # text = here\n"
                               "commas = (1,2,3)\ntwo = (1 2)\nthreeColour = (1 1 1)\nword = true\nnegative = -1\n"
                               "trailing = 1.5 # comment\nbig = 70000");
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
    const auto in = [this](const std::string& section, const std::string& key) { return placeLine(path(), section, key); };
    EXPECT_EQ(log.lines(), (Strings{"(1,2,3)" + tail, in("T", "commas"), "(1 2)" + tail, in("T", "two"), "(1 1 1)" + tail,
                                    in("T", "threeColour"), "true" + tail, in("T", "word"), "-1" + tail, in("T", "negative"),
                                    "-1" + tail, in("T", "negative"), "1.5 # comment" + tail, in("T", "trailing"),
                                    "70000" + tail, in("T", "big"), "Key missing not found in section T", in("T", "missing")}));
    // Enciphered files keep values out of the log.
    const Config secret = open("[Secret]\nbad = (1,2)\n", false, true);
    log.clear();
    EXPECT_THROW(secret.get<Ogre::Vector3>("Secret", "bad"), boost::bad_lexical_cast);
    Config writable = secret;
    EXPECT_THROW(writable.set<float>("Secret", "missing", 1.0f), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"Failed lexical cast (" + castError + ")", in("Secret", "bad"), "Key not found",
                                    in("Secret", "missing")}));
}

// No value of a file means "nan" or "inf": the lexical conversion reads them as floats, and one let
// through stalled the scheduler (a period) or froze the physics (a force) without a word.
TEST_F(ConfigTest, NumbersThatAreNotFiniteAreRefusedWithTheirPlace)
{
    const Config config = open("[N]\nnan = nan\nminus = -inf\nword = Infinity\nvector = (1 NaN 3)\ncolour = (1 1 inf 1)\n");
    const std::function<void()> reads[] = {
        [&] { config.get<float>("N", "nan"); },
        [&] { config.get<float>("N", "minus", 1.0f); },
        [&] { config.get<float>("N", "word"); },
        [&] { config.get<Ogre::Vector3>("N", "vector", Ogre::Vector3::ZERO); },
        [&] { config.get<Ogre::ColourValue>("N", "colour"); },
    };
    LogCapture log;
    for (const auto& read : reads)
        EXPECT_THROW(read(), Config::NotFiniteNumber);
    const std::string tail = " failed lexical cast (not a finite number)";
    const auto in = [this](const std::string& key) { return placeLine(path(), "N", key); };
    EXPECT_EQ(log.lines(), (Strings{"nan" + tail, in("nan"), "-inf" + tail, in("minus"), "Infinity" + tail, in("word"),
                                    "(1 NaN 3)" + tail, in("vector"), "(1 1 inf 1)" + tail, in("colour")}));
    // Enciphered files keep the value out of the line, not the reason.
    log.clear();
    EXPECT_THROW(open("[N]\nnan = nan\n", false, true).get<float>("N", "nan"), boost::bad_lexical_cast);
    EXPECT_EQ(log.lines(), (Strings{"Failed lexical cast (not a finite number)", in("nan")}));
}

TEST_F(ConfigTest, VerboseOpeningLogsEveryHeaderAndStoredKey)
{
    writeFile(path(), "[A]\nk = v\nk = duplicate\n# c = x\n[B]\n");
    for (const bool enciphered : {false, true}) {
        LogCapture log;
        Config config(path(), false, enciphered, true);
        Strings expected{"Config \"" + path() + "\" parsing...", "Section A:", "\"k\": \"v\"", "Section B:", "done"};
        if (enciphered)
            expected.erase(expected.begin() + 2);
        EXPECT_EQ(log.lines(), expected) << enciphered;
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
        EXPECT_EQ(log.lines(), (Strings{"Key k not found in section C", placeLine(path(), "C", "k")}));
    }
    EXPECT_FALSE(fixed.hasSection("C"));
    fixed.set("A", "f", 1234567.0f);
    fixed.save();
    EXPECT_EQ(readFile(path()), "[]\n\n[A]\nf = 1.23457e+06\nk = v\n\n[B]\na = 2 = 3\nz = 1\n\n");
    Config growing = open("[A]\nk = 1\n", true);
    growing.set("B", "v", Ogre::Vector3(1.5f, -2, 0));
    growing.set("B", "c", Ogre::ColourValue(1, 0.5f, 0.25f, 0));
    growing.set<std::string>("B", "s", "a = b # c");
    EXPECT_EQ(growing.get<Ogre::Vector3>("B", "v"), Ogre::Vector3(1.5f, -2, 0));
    EXPECT_EQ(growing.getSectionNames(), Strings{"A"}) << "sections added later are not headers of the file";
    const std::string other = folder.file("other.cfg");
    growing.save(other);
    EXPECT_EQ(readFile(other), "[A]\nk = 1\n\n[B]\nc = (1 0.5 0.25 0)\ns = a = b # c\nv = (1.5 -2 0)\n\n");

    // Missing files: refused, or created; a folder that does not exist is logged, never thrown.
    const std::string missing = folder.file("missing.cfg"), nowhere = folder.file("no/such/folder/settings.cfg");
    LogCapture log;
    EXPECT_THROW(Config{missing}, ConfigurationError);
    EXPECT_FALSE(fileExists(missing));
    Config created(missing, true);
    EXPECT_EQ(readFile(missing), "");
    Config(nowhere, true).save();
    EXPECT_EQ(log.lines(), (Strings{missing + " does not exist", missing + " does not exist", nowhere + " does not exist",
                                    "Config: could not write " + nowhere, "Config: could not write " + nowhere}));
}

std::vector<std::uint32_t> littleEndianWords(const std::string& hex)
{
    std::vector<std::uint32_t> words(hex.size() / 8, 0);
    for (std::size_t byte = 0; byte < hex.size() / 2; ++byte)
        words[byte / 4] |= std::stoul(hex.substr(2 * byte, 2), nullptr, 16) << (8 * (byte % 4));
    return words;
}

TEST(EncipheredTwin, CipherMatchesTheReferenceVectorsTwinsKeepEveryTextAndSavesKeepBothFilesInStep)
{
    // Published test vectors of the corrected block TEA cipher: key, plain, cipher.
    const char* vectors[][3] = {{"00000000000000000000000000000000", "0000000000000000", "ab043705808c5d57"},
                                {"0102040810204080fffefcf8f0e0c080", "fffefcf8f0e0c080", "8c3707c01c7fccc4"}};
    for (const auto& v : vectors) {
        const std::vector<std::uint32_t> key = littleEndianWords(v[0]);
        std::vector<std::uint32_t> words = littleEndianWords(v[1]);
        ASSERT_TRUE(encipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(v[2])) << v[1];
        ASSERT_TRUE(decipherWords(words.data(), words.size(), key.data()));
        EXPECT_EQ(words, littleEndianWords(v[1]));
    }
    std::uint32_t single = 1234;
    EXPECT_FALSE(encipherWords(&single, 1, twinKey) || decipherWords(&single, 1, twinKey));
    EXPECT_EQ(single, 1234u);
    // Texts that fill their twin exactly (8, 12 bytes) have no zero byte of their own to end them;
    // everything after a zero byte is lost.
    Tolvarine::Test::TemporaryFolder folder;
    const std::string twin = folder.file("ship.cfgx");
    const std::pair<std::string, std::size_t> rows[] = {
        {"", 8}, {"a", 8}, {"12345678", 8}, {"123456789", 12}, {"123456789012", 12}, {"1234567890123", 16}};
    for (const auto& [text, size] : rows) {
        ASSERT_TRUE(encipherToFile(text, twin));
        EXPECT_EQ(readFile(twin).size(), size) << text;
        EXPECT_EQ(decipherFromFile(twin), text);
    }
    ASSERT_TRUE(encipherToFile(std::string("ab\0cd", 5), twin));
    EXPECT_EQ(decipherFromFile(twin), "ab");

    // A twin alone is read; the plain file wins over it.
    const std::string plain = folder.file("ship.cfg");
    const auto saveValue = [&](const char* value) {
        Config config(plain, false, true);
        config.setValue("A", "k", value);
        config.save();
    };
    encipherToFile("[A]\nk = from twin", twin);
    EXPECT_EQ(Config(plain, false, true).getValue("A", "k"), "from twin");
    // Every trailing "x" of the file name goes: a path naming the twin opens the plain name.
    EXPECT_EQ(Config(twin + "xx").getValue("A", "k"), "from twin");
    saveValue("2");
    EXPECT_FALSE(fileExists(plain));
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 2\n\n");
    // The plain file wins, and an enciphered reading refreshes the twin from it.
    writeFile(plain, "[A]\r\nk = plain\r\n");
    EXPECT_EQ(Config(plain).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 2\n\n");
    EXPECT_EQ(Config(plain, false, true).getValue("A", "k"), "plain");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = plain\n");
    // Saving writes the plain file too: else the next opening would overwrite the twin from it.
    saveValue("4");
    EXPECT_EQ(readFile(plain), "[A]\nk = 4\n\n");
    EXPECT_EQ(decipherFromFile(twin), "[A]\nk = 4\n\n");
    std::filesystem::remove(twin);
    std::filesystem::create_directory(twin);
    LogCapture log;
    Config(plain, false, true).save();
    EXPECT_EQ(log.lines(), Strings(2, "Config: could not write " + twin));
    EXPECT_EQ(readFile(plain), "[A]\nk = 4\n\n");
}

TEST(ResponseCurveTest, SamplesAreEvenlySpacedAndBadCurvesAreLoggedAndRaise)
{
    Tolvarine::Test::TemporaryFolder folder;
    const ResponseCurves curves(Tolvarine::Test::written(folder.file("curves.cfg"),
                                                        "[Rising]\n0 = 0\n1 = 2\n10 = 4\n[Shuffled]\n2 = 20\n10 = 100\n1 = 10\n[Single]\n7 = 0.5\n"
                                                        "[Empty]\n[LeadingZero]\n01 = 1\n[BothSpellings]\n01 = 1\n1 = 5\n[NotANumber]\nabc = 1\n"
                                                        "[BadSample]\n0 = high\n"));
    const ResponseCurve curve = curves.lookup("Rising");
    EXPECT_EQ(curve.getSamples(), (std::vector<float>{0, 2, 4}));
    const float infinity = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const std::tuple<const char*, float, float> rows[] = {
        {"at a sample, x = i / n", 1.0f / 3.0f, 2.0f}, {"at the last sample", 2.0f / 3.0f, 4.0f}, {"between samples", 0.5f, 3.0f},
        {"between the first two", 1.0f / 6.0f, 1.0f}, {"past the last sample", 0.9f, 4.0f}, {"far beyond", infinity, 4.0f},
        {"below zero", -1.0f, 0.0f}, {"far below", -infinity, 0.0f}, {"a ratio of 0 / 0 reads as 0", nan, 0.0f}};
    for (const auto& [rule, x, want] : rows)
        EXPECT_FLOAT_EQ(curve.evaluate(x), want) << rule;
    EXPECT_FLOAT_EQ(ResponseCurve().evaluate(0.5f), 0.0f);
    // Keys order the samples by number; a key is read back under its plain decimal text.
    EXPECT_EQ(curves.lookup("Shuffled").getSamples(), (std::vector<float>{10, 20, 100}));
    EXPECT_FLOAT_EQ(curves.lookup("Single").evaluate(9.0f), 0.5f);
    EXPECT_EQ(curves.lookup("BothSpellings").getSamples(), (std::vector<float>{5, 5}));
    const auto in = [&folder](const std::string& section, const std::string& key) { return placeLine(folder.file("curves.cfg"), section, key); };
    LogCapture log;
    for (const char* name : {"Missing", "Empty", "rising", "LeadingZero"})
        EXPECT_THROW(curves.lookup(name), ConfigurationError) << name;
    EXPECT_THROW(curves.lookup("NotANumber"), boost::bad_lexical_cast);
    EXPECT_THROW(curves.lookup("BadSample"), boost::bad_lexical_cast);
    EXPECT_THROW(ResponseCurves(folder.file("none.cfg")), ConfigurationError);
    EXPECT_EQ(log.lines(), (Strings{"Unknown ResponseCurve: Missing", "Unknown ResponseCurve: Empty", "Unknown ResponseCurve: rising",
                                    "Key 1 not found in section LeadingZero", in("LeadingZero", "1"),
                                    "abc failed lexical cast (" + castError + ")", in("NotANumber", "abc"),
                                    "high failed lexical cast (" + castError + ")", in("BadSample", "0"),
                                    folder.file("none.cfg") + " does not exist"}));
}

} // namespace
} // namespace Tolvarine
