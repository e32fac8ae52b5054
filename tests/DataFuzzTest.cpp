// The short, repeatable version of the fuzzing that tools/fuzz.sh runs for millions of inputs:
// every reader of the game's files gets our own files and a few hundred damaged copies of them.
#include "Config.h"
#include "ConfigFiles.h"
#include "DataFuzzTargets.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace Tolvarine {
namespace Fuzz {

// Test names and failure messages name the reader.
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}

} // namespace Fuzz

namespace {

// Damages a text the way files go wrong and the way the readers' corners are reached: flipped,
// dropped and repeated bytes, a cut end, pieces of the syntax and of values out of range, and
// whole values replaced by ones the game cannot use (not a number, infinities, the ends of the
// float range, tiny masses, empty pools).
std::string mutate(std::string text, std::mt19937& random)
{
    static const std::string pieces[] = {"[", "]", "=", "#", "(", ")", "\n", "\r\n", " ", "-", ".", "e",
                                         "0", "1e39", "-1", "4294967296", "nan", "(1 2)", std::string(1, '\0'),
                                         "\n[Factory]\npoolSize = 100000000\n", "\n[Event_1]\ntype = Camera\n",
                                         "\n[Physics]\nmass = 0.0001\nmassRadius = 0.0001\n", "\n[Factory]\npoolSize = 0\n"};
    // Whole values, put where a value stands.
    static const std::string values[] = {"nan", "-nan", "inf", "-Infinity", "3.40282e+38", "-3.40282e+38", "1e-45",
                                         "0", "-0", "-1", "0.0001", "2147483648", "(nan 0 0)", "(0 inf 0)", "(1 1 1 nan)"};
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int edit = 0; edit < edits; ++edit) {
        const std::size_t at = text.empty() ? 0 : random() % text.size();
        switch (random() % 6) {
        case 0:
            if (!text.empty())
                text[at] = static_cast<char>(text[at] ^ (1u << (random() % 8)));
            break;
        case 1:
            text.insert(at, pieces[random() % std::size(pieces)]);
            break;
        case 2:
            text.erase(at, random() % 16);
            break;
        case 3:
            text.resize(at);
            break;
        case 4: {
            // The value of the first key at or after `at`, or of the first key.
            std::size_t equals = text.find("= ", at);
            if (equals == std::string::npos)
                equals = text.find("= ");
            if (equals != std::string::npos) {
                const std::size_t end = text.find('\n', equals);
                text.replace(equals + 2, end == std::string::npos ? std::string::npos : end - equals - 2,
                             values[random() % std::size(values)]);
            }
            break;
        }
        default:
            text.insert(at, text.substr(at, random() % 32));
            break;
        }
    }
    return text;
}

void run(const Fuzz::Target& target, const std::string& input)
{
    target.run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

class DataFuzz : public ::testing::TestWithParam<Fuzz::Target> {};

TEST_P(DataFuzz, OurFilesAndDamagedCopiesAreReadOrRefusedCleanly)
{
    const Fuzz::Target& target = GetParam();
    const std::vector<std::string> seeds = Fuzz::seedFiles(target, TOLVARINE_SOURCE_DIR);
    ASSERT_FALSE(seeds.empty());
    std::vector<std::string> texts;
    for (const std::string& seed : seeds)
        texts.push_back(Tolvarine::Test::readFile(seed));
    const std::filesystem::path before = std::filesystem::current_path();
    Fuzz::prepare();
    std::mt19937 random(20261206);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(seeds[i]);
        ASSERT_NO_THROW(run(target, texts[i]));
    }
    for (int round = 0; round < 400; ++round) {
        const std::string input = mutate(texts[round % texts.size()], random);
        ASSERT_NO_THROW(run(target, input)) << target.name << " round " << round;
    }
    std::filesystem::current_path(before);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, DataFuzz, ::testing::ValuesIn(Fuzz::targets()),
                         [](const ::testing::TestParamInfo<Fuzz::Target>& info) { return std::string(info.param.name); });

// Long digit strings read as small unsigned numbers: refused when out of range, never wrapped.
TEST(DataFuzz, SmallUnsignedNumbersAreRangeCheckedWhateverTheirLength)
{
    Tolvarine::Test::TemporaryFolder folder;
    const Config config(Tolvarine::Test::written(
        folder.file("n.cfg"),
        "[N]\nlong = 000000000000000000001\nhuge = 3446465520\nwider = 99999999999999999999\n"));
    EXPECT_EQ(config.get<unsigned short>("N", "long"), 1);
    for (const char* key : {"huge", "wider"})
        EXPECT_THROW(config.get<unsigned short>("N", key), boost::bad_lexical_cast) << key;
    EXPECT_EQ(config.get<unsigned int>("N", "huge"), 3446465520u);
}

} // namespace
} // namespace Tolvarine
