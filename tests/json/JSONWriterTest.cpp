// The JSON writer: its text, and that what it writes reads back to the same value.
#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSJSONSerialization.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

Ref<NSObject> str(std::string text) {
    return make<NSString>(std::move(text));
}
Ref<NSObject> list(std::vector<Ref<NSObject>> members) {
    return make<NSArray>(std::move(members));
}

struct WriteCase {
    const char* name;
    Ref<NSObject> value;
    std::string expected;
};

TEST(JSONWriter, WritesCompactText) {
    const double denormMin = std::numeric_limits<double>::denorm_min();
    const WriteCase cases[] = {
        {"empty array", list({}), "[]"},
        {"empty dictionary", make<NSDictionary>(), "{}"},
        {"literals",
         list({NSNumber::numberWithBool(true), NSNumber::numberWithBool(false), NSNull::null()}),
         "[true,false,null]"},
        {"integers",
         list({NSNumber::numberWithLongLong(INT64_MIN), NSNumber::numberWithLongLong(0),
               NSNumber::numberWithUnsignedLongLong(UINT64_MAX)}),
         "[-9223372036854775808,0,18446744073709551615]"},
        {"doubles keep a point or an exponent",
         list({NSNumber::numberWithDouble(1.0), NSNumber::numberWithDouble(-0.0),
               NSNumber::numberWithDouble(0.1), NSNumber::numberWithDouble(1e300),
               NSNumber::numberWithDouble(denormMin)}),
         "[1.0,-0.0,0.1,1e+300,5e-324]"},
        {"escapes", list({str("\"\\/\b\f\n\r\t\x01\x1F\x7F")}),
         R"(["\"\\/\b\f\n\r\t\u0001\u001f)"
         "\x7F\"]"},
        {"NUL in a string", list({str(std::string("a\0b", 3))}), R"(["a\u0000b"])"},
        {"UTF-8 written raw", list({str("\xE2\x82\xAC")}), "[\"\xE2\x82\xAC\"]"},
        {"keys in order, escaped",
         make<NSDictionary>(NSDictionary::Storage{{"b", str("x")}, {"a\"", list({})}}),
         R"({"a\"":[],"b":"x"})"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(NSJSONSerialization::JSONStringFromObject(c.value, &error), c.expected) << error;
    }
}

TEST(JSONWriter, DoublesReadBackBitForBit) {
    const double values[] = {0.0,
                             -0.0,
                             0.1,
                             1.0 / 3.0,
                             -742.6,
                             1e-310,
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             9007199254740993.0,
                             123456789012345678901234567890.0};
    for (double value : values) {
        SCOPED_TRACE(value);
        std::string text = NSJSONSerialization::JSONStringFromObject(
            list({NSNumber::numberWithDouble(value)}).get());
        std::string error;
        Ref<NSObject> back = NSJSONSerialization::JSONObjectWithBytes(text, 0, &error);
        ASSERT_TRUE(back) << text << ": " << error;
        const NSNumber* number = NSCast<NSNumber>(NSCast<NSArray>(back.get())->objectAtIndex(0));
        ASSERT_EQ(number->kind(), NSNumber::Kind::Double) << text;
        EXPECT_EQ(std::bit_cast<uint64_t>(number->doubleValue()), std::bit_cast<uint64_t>(value))
            << text;
    }
}

TEST(JSONWriter, RefusesWhatJSONCannotCarry) {
    const WriteCase cases[] = {
        {"no object", nullptr, ""},
        {"NaN", list({NSNumber::numberWithDouble(std::nan(""))}), ""},
        {"infinity", list({NSNumber::numberWithDouble(INFINITY)}), ""},
        {"data", list({make<NSData>()}), ""},
        {"a null member", list({nullptr}), ""},
        {"invalid UTF-8", list({str("\xC0\xAF")}), ""},
        {"a noncharacter", list({str("\xEF\xBF\xBF")}), ""},
        {"an encoded surrogate in a key",
         make<NSDictionary>(NSDictionary::Storage{{"\xED\xA0\x80", str("x")}}), ""},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(NSJSONSerialization::JSONStringFromObject(c.value, &error), "");
        EXPECT_FALSE(error.empty());
    }
}

TEST(JSONWriter, WritesAnyDepthWithoutRecursion) {
    constexpr std::size_t depth = 1000000;
    Ref<NSObject> chain = make<NSDictionary>();
    for (std::size_t i = 0; i < depth; ++i)
        chain = list({chain});
    std::string text = NSJSONSerialization::JSONStringFromObject(chain);
    ASSERT_EQ(text.size(), 2 * depth + 2);
    EXPECT_EQ(text.substr(depth - 1, 4), "[{}]");

    // The reader takes it back up to its nesting limit.
    Ref<NSObject> shallow = make<NSDictionary>();
    for (std::size_t i = 1; i < NSJSONSerialization::maxNestingDepth; ++i)
        shallow = list({shallow});
    Ref<NSObject> back = NSJSONSerialization::JSONObjectWithBytes(
        NSJSONSerialization::JSONStringFromObject(shallow), 0);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(shallow));
}

} // namespace
