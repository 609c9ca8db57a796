// The console's parameter conversions, word by word beside the C library's
// atoi and atof, whose readings the commands keep wherever a word is a
// number.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

#include "console/ConsoleCommands.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectSameNumber(std::optional<float> got, std::optional<double> want, const char* word) {
    ASSERT_EQ(got.has_value(), want.has_value()) << word;
    if (!want) return;
    if (std::isnan(*want)) EXPECT_TRUE(std::isnan(*got)) << word;
    else EXPECT_EQ(*got, static_cast<float>(*want)) << word;
}

TEST(ParamConversion, AWordIsReadAsTheCLibraryReadsItAndRefusedOnlyWhenItIsNoNumber) {
    const struct {
        const char* word;
        int atoiReads;  // the C library's readings, checked below
        double atofReads;
        std::optional<std::int32_t> whole;  // ours: nothing = refused
        std::optional<double> number;
        std::optional<bool> flag;
    } cases[] = {
        {"5", 5, 5.0, 5, 5.0, false},
        {"-5", -5, -5.0, -5, -5.0, false},
        {"+5", 5, 5.0, 5, 5.0, false},
        {"10", 10, 10.0, 10, 10.0, true},  // a flag: true when its first character is 1
        {"01", 1, 1.0, 1, 1.0, false},
        {"1.0", 1, 1.0, 1, 1.0, true},
        {"100.5", 100, 100.5, 100, 100.5, true},  // a whole number takes the whole part, as atoi does
        {"-0.5", 0, -0.5, 0, -0.5, false},
        {".5", 0, 0.5, 0, 0.5, false},
        {"5.", 5, 5.0, 5, 5.0, false},
        {" 7", 7, 7.0, 7, 7.0, false},
        {"7 ", 7, 7.0, 7, 7.0, false},
        {"0x10", 0, 16.0, 16, 16.0, false},  // atoi stops at the x; we read the number
        {"1e2", 1, 100.0, 100, 100.0, true},  // atoi stops at the e; we read the number
        {"2.5e1", 2, 25.0, 25, 25.0, false},
        {"1e999", 1, kInf, std::nullopt, kInf, true},  // infinite: no whole number
        {"inf", 0, kInf, std::nullopt, kInf, false},
        {"nan", 0, kNaN, std::nullopt, kNaN, false},
        // No numbers: refused, never read as what atoi and atof make of them.
        {"--5", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},  // a number has one sign
        {"+-5", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},
        {"-+5", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},
        {"7up", 7, 7.0, std::nullopt, std::nullopt, std::nullopt},
        {"1.5.2", 1, 1.5, std::nullopt, std::nullopt, std::nullopt},
        {"abc", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},
        {"-", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},
        {"", 0, 0.0, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::atoi(c.word), c.atoiReads) << c.word;
        if (std::isnan(c.atofReads)) EXPECT_TRUE(std::isnan(std::atof(c.word))) << c.word;
        else EXPECT_EQ(std::atof(c.word), c.atofReads) << c.word;

        EXPECT_EQ(ParseInt(c.word), c.whole) << c.word;
        ExpectSameNumber(ParseFloat(c.word), c.number, c.word);
        EXPECT_EQ(ParseFlag(c.word), c.flag) << c.word;
        // Where a word is a number, a float is atof's reading of it.
        if (c.number) ExpectSameNumber(ParseFloat(c.word), c.atofReads, c.word);
    }
    EXPECT_EQ(ParseInt(nullptr), std::nullopt);
}

}  // namespace
