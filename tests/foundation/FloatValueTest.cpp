// floatValue: the decimal number at the start of a text, in single precision.
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct FloatCase {
    std::string_view text;
    float expected;
};

TEST(FloatValue, ReadsTheNumberAtTheStart) {
    const float inf = std::numeric_limits<float>::infinity();
    const FloatCase cases[] = {
        // Plain numbers, in single precision.
        {"742.6", 742.6f},
        {"3.4999999", 3.5f},
        {"0.1", 0.1f},
        {"16777217", 16777216.0f},
        {"+7", 7.0f},
        {"-0.5", -0.5f},
        {".5", 0.5f},
        {"5.", 5.0f},
        {"1e+2", 100.0f},
        {"2E3", 2000.0f},
        {"1e-2", 0.01f},
        // Leading blanks skipped; what follows the number ignored.
        {"  \t\n742.6", 742.6f},
        {" -12.5e1x", -125.0f},
        {"12abc", 12.0f},
        {"1.5.5", 1.5f},
        {"1,5", 1.0f},
        {"742.6 BTC", 742.6f},
        // An exponent without digits is not part of the number.
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"1ex", 1.0f},
        // Out of range.
        {"1e40", inf},
        {"-1e40", -inf},
        {"1e-50", 0.0f},
        // Not a number at the start: 0.
        {"", 0.0f},
        {"   ", 0.0f},
        {".", 0.0f},
        {"-", 0.0f},
        {"+.", 0.0f},
        {".e1", 0.0f},
        {"e5", 0.0f},
        {"abc", 0.0f},
        {"$13.50", 0.0f},
        {"x1", 0.0f},
        {"0x10", 0.0f},
        {"inf", 0.0f},
        {"-infinity", 0.0f},
        {"nan", 0.0f},
        {"NAN(1)", 0.0f},
        {"\0"
         "5"sv,
         0.0f},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(NSParseFloat(c.text), c.expected);
        EXPECT_EQ(make<NSString>(std::string(c.text))->floatValue(), c.expected);
    }
}

TEST(FloatValue, ReadsOnlyTheGivenText) {
    // The view ends before the digits that follow in memory.
    std::string_view text = std::string_view("12345").substr(0, 2);
    EXPECT_EQ(NSParseFloat(text), 12.0f);
}

TEST(FloatValue, OfANumberIsItsSinglePrecisionValue) {
    struct Case {
        const char* name;
        Ref<NSNumber> number;
        float expected;
    } cases[] = {
        {"742.6", NSNumber::numberWithDouble(742.6), 742.6f},
        {"3.4999999", NSNumber::numberWithDouble(3.4999999), 3.5f},
        {"16777217", NSNumber::numberWithLongLong(16777217), 16777216.0f},
        {"true", NSNumber::numberWithBool(true), 1.0f},
        // 2^60 + 2^36 + 1 lies just above the midpoint of two floats and rounds up; through
        // a double it would first lose the +1, land on the midpoint and round to even (2^60).
        {"2^60+2^36+1", NSNumber::numberWithLongLong(1152921573326323713), 1152921642045800448.0f},
        {"-(2^60+2^36+1)", NSNumber::numberWithLongLong(-1152921573326323713),
         -1152921642045800448.0f},
        // The same above the signed range: 2^63 + 2^39 + 1 rounds up to 2^63 + 2^40.
        {"2^63+2^39+1", NSNumber::numberWithUnsignedLongLong(9223372586610589697u),
         9223373136366403584.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.number->floatValue(), c.expected);
    }
}

// The volume line: the text passes through single precision before "%.0f" prints it.
TEST(FloatValue, VolumeLineRounding) {
    struct Case {
        const char* value;
        const char* line;
    } cases[] = {
        {"742.6", "Volume: 743 BTC (24h)"},
        {"3.4999999", "Volume: 4 BTC (24h)"},
        {"not a number", "Volume: 0 BTC (24h)"},
        {"-2.6", "Volume: -3 BTC (24h)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        double volume = NSParseFloat(c.value);
        EXPECT_EQ(NSFormat("Volume: %.0f BTC (24h)", volume), c.line);
    }
}

} // namespace
