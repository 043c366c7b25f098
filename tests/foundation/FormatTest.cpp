// String formatting: "%@" and printf's conversions, as the widget's label texts use them.
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace std::string_literals;

namespace {

struct FormatCase {
    const char* name;
    std::string actual;
    std::string expected;
};

void check(const FormatCase* begin, const FormatCase* end) {
    for (const FormatCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(c->name);
        EXPECT_EQ(c->actual, c->expected);
    }
}

TEST(Format, ObjectConversion) {
    Ref<NSString> price = NSString::stringWithUTF8String("$13.50");
    Ref<NSString> text = NSString::stringWithUTF8String("abcdef");
    Ref<NSString> withNul = NSString::stringWithUTF8String("a\0b"s);
    Ref<NSArray> array = make<NSArray>(std::vector<Ref<NSObject>>{
        NSString::stringWithUTF8String("a"), NSNumber::numberWithLongLong(2)});
    const FormatCase cases[] = {
        {"a string, unchanged", NSFormat("Last price: %@ / BTC", price.get()),
         "Last price: $13.50 / BTC"},
        {"no object", NSFormat("High: %@ / BTC", static_cast<NSObject*>(nullptr)),
         "High: (null) / BTC"},
        {"an integer", NSFormat("%@", NSNumber::numberWithLongLong(-42).get()), "-42"},
        {"a double", NSFormat("%@", NSNumber::numberWithDouble(742.6).get()), "742.6"},
        {"a boolean", NSFormat("%@", NSNumber::numberWithBool(true).get()), "1"},
        {"the null object", NSFormat("%@", static_cast<NSObject*>(NSNull::null())), "<null>"},
        {"an array", NSFormat("%@", array.get()), "(a, 2)"},
        {"width", NSFormat("[%8@]", text.get()), "[  abcdef]"},
        {"width, left-aligned", NSFormat("[%-8@]", text.get()), "[abcdef  ]"},
        {"precision cuts", NSFormat("[%.3@]", text.get()), "[abc]"},
        {"width and precision", NSFormat("[%5.2@]", text.get()), "[   ab]"},
        {"width on no object", NSFormat("[%8@]", static_cast<NSObject*>(nullptr)), "[  (null)]"},
        {"star width", NSFormat("[%*@]", 7, text.get()), "[ abcdef]"},
        {"a long text",
         NSFormat("%@!", NSString::stringWithUTF8String(std::string(1000, 'x')).get()),
         std::string(1000, 'x') + "!"},
        // An embedded NUL is text like any other: nothing after it is lost.
        {"an embedded NUL", NSFormat("Last price: %@ / BTC", withNul.get()),
         "Last price: a\0b / BTC"s},
        {"width counts the NUL", NSFormat("[%5@]", withNul.get()), "[  a\0b]"s},
        {"star width, negative", NSFormat("[%*@]", -7, text.get()), "[abcdef ]"},
    };
    check(std::begin(cases), std::end(cases));
}

TEST(Format, PrintfConversions) {
    const FormatCase cases[] = {
        {"%d", NSFormat("%d", -7), "-7"},
        {"%lld at the bottom", NSFormat("%lld", LLONG_MIN), "-9223372036854775808"},
        {"%llu at the top", NSFormat("%llu", ULLONG_MAX), "18446744073709551615"},
        {"%qd is %lld", NSFormat("%qd", 1LL << 40), "1099511627776"},
        {"%ld", NSFormat("%ld", LONG_MAX), std::to_string(LONG_MAX)},
        {"%zu", NSFormat("%zu", SIZE_MAX), std::to_string(SIZE_MAX)},
        {"%jd", NSFormat("%jd", INTMAX_MIN), std::to_string(INTMAX_MIN)},
        {"%td", NSFormat("%td", static_cast<ptrdiff_t>(-3)), "-3"},
        {"%hhd narrows", NSFormat("%hhd", 300), "44"},
        {"%hu narrows", NSFormat("%hu", 70000), "4464"},
        {"%x, %X, %#o", NSFormat("%x %X %#o", 255, 255, 8), "ff FF 010"},
        {"%5.2f", NSFormat("%5.2f", 3.14159), " 3.14"},
        {"%.0f of 742.6", NSFormat("Volume: %.0f BTC (24h)", 742.6), "Volume: 743 BTC (24h)"},
        {"%.0f of 3.5f", NSFormat("%.0f", static_cast<double>(3.5f)), "4"},
        {"%.0f of 2.5 rounds to even", NSFormat("%.0f", 2.5), "2"},
        {"%.0f of a negative", NSFormat("%.0f", -742.6), "-743"},
        {"%.0f of a large number", NSFormat("%.0f", 123456789.0), "123456789"},
        {"%.0f of 0", NSFormat("%.0f", 0.0), "0"},
        {"%e", NSFormat("%e", 1234.5), "1.234500e+03"},
        {"%g", NSFormat("%g", 0.0001), "0.0001"},
        {"%Lf", NSFormat("%.1Lf", 2.25L), "2.2"},
        {"%+d and % d", NSFormat("%+d|% d", 5, 5), "+5| 5"},
        {"%05d", NSFormat("%05d", -42), "-0042"},
        {"%c", NSFormat("%c%c", 'o', 'k'), "ok"},
        {"%s", NSFormat("%s-%s", "a", "b"), "a-b"},
        {"%s of no text", NSFormat("%s", static_cast<const char*>(nullptr)), "(null)"},
        {"%%", NSFormat("100%% of %d%%", 5), "100% of 5%"},
        {"a lone % at the end", NSFormat("50%"), "50%"},
        {"not a conversion", NSFormat("%y %d", 5), "%y 5"},
        {"star width", NSFormat("[%*d]", 5, 42), "[   42]"},
        {"negative star width aligns left", NSFormat("[%*d]", -5, 42), "[42   ]"},
        {"star width with the minus flag", NSFormat("[%-*d]", 5, 42), "[42   ]"},
        {"star precision", NSFormat("%.*f", 2, 3.14159), "3.14"},
        {"negative star precision counts as none", NSFormat("%.*f", -1, 1.5), "1.500000"},
        // The width's magnitude does not fit an int: printf refuses it, nothing overflows.
        {"star width of INT_MIN", NSFormat("[%*d]", INT_MIN, 1), "[]"},
        {"star width and precision", NSFormat("[%*.*f]", 6, 1, 2.25), "[   2.2]"},
        {"wide output", NSFormat("%300d", 1), std::string(299, ' ') + "1"},
        {"mixed arguments stay in step",
         NSFormat("%@ %lld %@ %.1f %zu %s", NSString::stringWithUTF8String("a").get(), 1LL << 33,
                  static_cast<NSObject*>(nullptr), 0.25, static_cast<size_t>(9), "z"),
         "a 8589934592 (null) 0.2 9 z"},
        {"no format", NSFormat(nullptr), ""},
    };
    check(std::begin(cases), std::end(cases));
}

TEST(Format, PercentNWritesNothing) {
    int written = 7;
    EXPECT_EQ(NSFormat("ab%nc%d", &written, 1), "abc1");
    EXPECT_EQ(written, 7);
}

TEST(Format, StringsAndMutableStringsFormatAlike) {
    Ref<NSString> made = NSString::stringWithFormat("Low: %@ / BTC (%d)",
                                                    NSString::stringWithUTF8String("$13").get(), 2);
    EXPECT_EQ(made->UTF8String(), "Low: $13 / BTC (2)");
    Ref<NSMutableString> text = make<NSMutableString>("Average: ");
    text->appendFormat("%@ / %s", NSString::stringWithUTF8String("$13.46").get(), "BTC");
    EXPECT_EQ(text->UTF8String(), "Average: $13.46 / BTC");
}

} // namespace
