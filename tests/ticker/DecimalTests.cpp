#include "Decimal.h"

#include <gtest/gtest.h>

using ticker::Decimal;

namespace {

std::string eight(std::string_view text, char point = '.') {
    const auto value = Decimal::parse(text, point);
    return value ? value->text(Decimal::kDecimals) : "none";
}

} // namespace

TEST(Decimal, ParsesPlainDecimalsExactly) {
    const struct {
        std::string_view text;
        std::string expected;
    } cases[] = {
        {"61000.1", "61000.10000000"},
        {"0.00012345", "0.00012345"},
        {"007", "7.00000000"},
        {"0", "0.00000000"},
        // Past eight decimals: rounded half to even, the whole tail counted.
        {"0.000000015", "0.00000002"},
        {"0.000000025", "0.00000002"},
        {"0.0000000250001", "0.00000003"},
        {"92233720368.54775807", "92233720368.54775807"}, // the largest amount
        // Not a plain non-negative decimal, or out of range.
        {"92233720368.54775808", "none"},
        {"1000000000000", "none"},
        {"", "none"},
        {".5", "none"},
        {"5.", "none"},
        {"-1.0", "none"},
        {"+1.0", "none"},
        {"1e5", "none"},
        {"1,000.5", "none"},
        {" 1.5", "none"},
        {"1.5 ", "none"},
        {"1.2.3", "none"},
        {"NaN", "none"},
        {"0x10", "none"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(eight(c.text), c.expected) << c.text;
    EXPECT_EQ(eight("91,2345", ','), "91.23450000");
    EXPECT_EQ(eight("91.2345", ','), "none");
}

TEST(Decimal, TextRoundsHalfToEven) {
    const struct {
        std::string_view amount;
        int decimals;
        std::string expected;
    } cases[] = {
        {"1.5", 0, "2"},
        {"2.5", 0, "2"},
        {"2.50000001", 0, "3"},
        {"0.125", 2, "0.12"},
        {"0.135", 2, "0.14"},
        {"43012.55", 5, "43012.55000"},
        {"0.99999999", 5, "1.00000"},
        {"12", 3, "12.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decimal::parse(c.amount)->text(c.decimals), c.expected)
            << c.amount << " to " << c.decimals;
}

TEST(Decimal, TimesRoundsTheExactProductOnce) {
    const struct {
        std::string_view amount, factor;
        int64_t divisor;
        std::string expected; // to five decimals
    } cases[] = {
        {"55000.10000", "7.4604", 1, "410322.74604"},
        // 8898682.3048450 exactly: a tie, to the even neighbour.
        {"55100.20003", "161.50", 1, "8898682.30484"},
        {"55100.20005", "161.50", 1, "8898682.30808"}, // 8898682.3080750: up to even
        // Rounding the product only, never the factor first: 1/3 of a rouble each.
        {"60000.10000", "60.97", 100, "36582.06097"},
        {"1.00000", "1", 3, "0.33333"},
        {"2.00000", "1", 3, "0.66667"},
        {"0", "91.2345", 1, "0.00000"},
    };
    for (const auto& c : cases) {
        const auto result =
            Decimal::parse(c.amount)->times(*Decimal::parse(c.factor), c.divisor, 5);
        ASSERT_TRUE(result) << c.amount;
        EXPECT_EQ(result->text(5), c.expected)
            << c.amount << " x " << c.factor << " / " << c.divisor;
    }
    const Decimal big = *Decimal::parse("90000000000");
    EXPECT_FALSE(big.times(*Decimal::parse("2"), 1, 5)) << "out of range";
    EXPECT_FALSE(big.times(big, 0, 5)) << "no divisor";
}
