#include "ConfigurationError.h"
#include "ResponseCurve.h"
#include "ResponseCurves.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace Tolvarine {
namespace {

using Test::fileExists;
using Test::LogCapture;
using Test::TemporaryFolder;
using Test::writeFile;
using Strings = std::vector<std::string>;

class ResponseCurveTest : public ::testing::Test {
protected:
    ResponseCurveTest()
    {
        writeFile(path(), "[Rising]\n0 = 0\n1 = 2\n10 = 4\n"
                          "[Shuffled]\n2 = 20\n10 = 100\n1 = 10\n"
                          "[Single]\n7 = 0.5\n"
                          "[Empty]\n"
                          "[LeadingZero]\n01 = 1\n"
                          "[BothSpellings]\n01 = 1\n1 = 5\n"
                          "[NotANumber]\nabc = 1\n"
                          "[BadSample]\n0 = high\n");
    }
    std::string path() const { return folder.file("curves.cfg"); }

    TemporaryFolder folder;
};

TEST_F(ResponseCurveTest, SamplesAreEvenlySpacedOverXTimesTheirCount)
{
    const ResponseCurve curve = ResponseCurves(path()).lookup("Rising");
    EXPECT_EQ(curve.getSamples(), (std::vector<float>{0, 2, 4}));
    const float infinity = std::numeric_limits<float>::infinity();
    struct Row { const char* rule; float x, want; };
    const Row rows[] = {
        {"at a sample, x = i / n", 1.0f / 3.0f, 2.0f}, {"at the last sample", 2.0f / 3.0f, 4.0f},
        {"between samples", 0.5f, 3.0f},            {"between the first two", 1.0f / 6.0f, 1.0f},
        {"past the last sample", 0.9f, 4.0f},       {"far beyond", infinity, 4.0f},
        {"below zero", -1.0f, 0.0f},                 {"far below", -infinity, 0.0f},
        {"a ratio of 0 / 0 reads as 0", std::numeric_limits<float>::quiet_NaN(), 0.0f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_FLOAT_EQ(curve.evaluate(row.x), row.want);
    }
    EXPECT_FLOAT_EQ(ResponseCurve({7, 8}).evaluate(std::numeric_limits<float>::quiet_NaN()), 7.0f);
    EXPECT_FLOAT_EQ(ResponseCurve().evaluate(0.5f), 0.0f);
    // Keys order the samples by number; a key is read back under its plain decimal text.
    const ResponseCurves curves(path());
    EXPECT_EQ(curves.lookup("Shuffled").getSamples(), (std::vector<float>{10, 20, 100}));
    EXPECT_FLOAT_EQ(curves.lookup("Single").evaluate(9.0f), 0.5f);
    EXPECT_EQ(curves.lookup("BothSpellings").getSamples(), (std::vector<float>{5, 5}));
}

TEST_F(ResponseCurveTest, UnknownAndMalformedCurvesAreLoggedAndRaise)
{
    const ResponseCurves curves(path());
    LogCapture log;
    EXPECT_THROW(curves.lookup("Missing"), ConfigurationError);
    EXPECT_THROW(curves.lookup("Empty"), ConfigurationError);
    EXPECT_THROW(curves.lookup("rising"), ConfigurationError);
    EXPECT_THROW(curves.lookup("LeadingZero"), ConfigurationError);
    EXPECT_THROW(curves.lookup("NotANumber"), boost::bad_lexical_cast);
    EXPECT_THROW(curves.lookup("BadSample"), boost::bad_lexical_cast);
    const std::string castError = "bad lexical cast: source type value could not be interpreted as target";
    EXPECT_EQ(log.lines(), (Strings{"Unknown ResponseCurve: Missing", "Unknown ResponseCurve: Empty",
                                    "Unknown ResponseCurve: rising", "Key 1 not found in section LeadingZero",
                                    "abc failed lexical cast (" + castError + ")",
                                    "high failed lexical cast (" + castError + ")"}));

    LogCapture missingFile;
    EXPECT_THROW(ResponseCurves(folder.file("none.cfg")), ConfigurationError);
    EXPECT_EQ(missingFile.lines(), Strings{folder.file("none.cfg") + " does not exist"});
    EXPECT_FALSE(fileExists(folder.file("none.cfg")));
}

// The program's curves come from "data/curves.cfg" in the working directory.
TEST_F(ResponseCurveTest, ProgramCurvesAreReadFromTheDataFolder)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::create_directory(folder.file("data"));
    writeFile(folder.file("data/curves.cfg"), "[Program]\n0 = 1\n1 = 3\n");
    std::filesystem::current_path(folder.file(""));
    float value = 0;
    EXPECT_NO_THROW(value = ResponseCurves::getCurve("Program").evaluate(0.25f));
    std::filesystem::current_path(previous);
    EXPECT_FLOAT_EQ(value, 2.0f);
}

} // namespace
} // namespace Tolvarine
