// What the JSON reader accepts, what it gives, and what it refuses.
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSJSONSerialization.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

constexpr unsigned kStop = NSJSONReadingStopAfterFirstValue;

// The value read, written back as compact JSON; nothing when the reader gave no value.
std::optional<std::string> readAsJSON(std::string_view input, unsigned options,
                                      std::string* error = nullptr) {
    Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes(input, options, error);
    if (!value)
        return std::nullopt;
    return NSJSONSerialization::JSONStringFromObject(value);
}

struct AcceptedCase {
    const char* name;
    std::string_view input;
    std::string_view expected; // the value, as the writer puts it
};

TEST(JSONReader, AcceptsStrictJSONAndGivesItsValue) {
    const AcceptedCase cases[] = {
        {"empty object", "{}", "{}"},
        {"empty array", "[]", "[]"},
        {"blanks before, between and after", " \t\r\n[ 1 ,\t2\r\n]\n \t\r", "[1,2]"},
        {"literals", "[true,false,null]", "[true,false,null]"},
        {"nested", R"({"b":[{"c":[]}],"a":{"d":"e"}})", R"({"a":{"d":"e"},"b":[{"c":[]}]})"},
        {"repeated key keeps the last value", R"({"a":1,"b":2,"a":3})", R"({"a":3,"b":2})"},
        {"repeated key, nested value replaced", R"({"a":{"x":1},"a":[2]})", R"({"a":[2]})"},
        {"empty key", R"({"":1})", R"({"":1})"},
        {"standard escapes", R"(["\"\\\/\b\f\n\r\t"])", R"(["\"\\/\b\f\n\r\t"])"},
        {"escaped NUL", R"(["a\u0000b"])", R"(["a\u0000b"])"},
        {"escapes to UTF-8", R"(["\u00e9\u20AC\ud83d\ude00"])",
         "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"]"},
        {"raw UTF-8", "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"]",
         "[\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"]"},
        {"raw DEL is no control character", "[\"\x7F\"]", "[\"\x7F\"]"},
        {"U+FDCF, just below the noncharacters", "[\"\xEF\xB7\x8F\"]", "[\"\xEF\xB7\x8F\"]"},
        {"U+FDF0, just above the noncharacters", R"(["\ufdf0"])", "[\"\xEF\xB7\xB0\"]"},
        {"U+FFFD", R"(["\ufffd"])", "[\"\xEF\xBF\xBD\"]"},
        {"U+10FFFD, the last character", "[\"\xF4\x8F\xBF\xBD\"]", "[\"\xF4\x8F\xBF\xBD\"]"},
        {"U+D7FF, just below the surrogates", "[\"\xED\x9F\xBF\"]", "[\"\xED\x9F\xBF\"]"},
        {"U+E000, just above the surrogates", R"(["\ue000"])", "[\"\xEE\x80\x80\"]"},
        {"non-ASCII key", "{\"\xC3\xA9\":1}", "{\"\xC3\xA9\":1}"},
    };
    for (const AcceptedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        std::optional<std::string> value = readAsJSON(c.input, 0, &error);
        ASSERT_TRUE(value) << error;
        EXPECT_EQ(*value, c.expected);
    }
}

struct NumberCase {
    const char* text;
    NSNumber::Kind kind;
    int64_t integer;      // for Int
    uint64_t unsignedInt; // for UInt
    double real;          // for Double
};

TEST(JSONReader, KeepsIntegersIn64BitsAndOtherNumbersAsDoubles) {
    using K = NSNumber::Kind;
    const NumberCase cases[] = {
        {"0", K::Int, 0, 0, 0},
        {"-0", K::Int, 0, 0, 0},
        {"42", K::Int, 42, 0, 0},
        {"9223372036854775807", K::Int, INT64_MAX, 0, 0},
        {"-9223372036854775808", K::Int, INT64_MIN, 0, 0},
        {"9223372036854775808", K::UInt, 0, 9223372036854775808ull, 0},
        {"18446744073709551615", K::UInt, 0, UINT64_MAX, 0},
        {"1.5", K::Double, 0, 0, 1.5},
        {"-742.6", K::Double, 0, 0, -742.6},
        {"1e2", K::Double, 0, 0, 100.0},
        {"1E+2", K::Double, 0, 0, 100.0},
        {"25e-1", K::Double, 0, 0, 2.5},
        {"1.0", K::Double, 0, 0, 1.0},
        {"0e-400", K::Double, 0, 0, 0.0},
        {"0.0e5", K::Double, 0, 0, 0.0},
        {"0.000e-999", K::Double, 0, 0, 0.0},
        {"1e-310", K::Double, 0, 0, 1e-310},
        {"4.9406564584124654e-324", K::Double, 0, 0, std::numeric_limits<double>::denorm_min()},
        {"2.2250738585072014e-308", K::Double, 0, 0, std::numeric_limits<double>::min()},
        {"1.7976931348623157e308", K::Double, 0, 0, std::numeric_limits<double>::max()},
        {"18446744073709551616.0", K::Double, 0, 0, 18446744073709551616.0},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        Ref<NSObject> value =
            NSJSONSerialization::JSONObjectWithBytes("[" + std::string(c.text) + "]", 0, &error);
        ASSERT_TRUE(value) << error;
        const NSArray* array = NSCast<NSArray>(value.get());
        ASSERT_TRUE(array);
        const NSNumber* number = NSCast<NSNumber>(array->objectAtIndex(0));
        ASSERT_TRUE(number);
        ASSERT_EQ(number->kind(), c.kind);
        switch (c.kind) {
        case K::Int:
            EXPECT_EQ(number->longLongValue(), c.integer);
            break;
        case K::UInt:
            EXPECT_EQ(number->unsignedLongLongValue(), c.unsignedInt);
            break;
        default:
            EXPECT_EQ(number->doubleValue(), c.real);
            break;
        }
    }
}

TEST(JSONReader, KeepsTheSignOfNegativeZero) {
    Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes("[-0.0, 0.0, -0e5]", 0);
    const NSArray* array = NSCast<NSArray>(value.get());
    ASSERT_TRUE(array);
    EXPECT_TRUE(std::signbit(NSCast<NSNumber>(array->objectAtIndex(0))->doubleValue()));
    EXPECT_FALSE(std::signbit(NSCast<NSNumber>(array->objectAtIndex(1))->doubleValue()));
    EXPECT_TRUE(std::signbit(NSCast<NSNumber>(array->objectAtIndex(2))->doubleValue()));
}

struct RejectedCase {
    const char* why;
    std::string_view input;
};

// Faults inside the first value: refused with and without StopAfterFirstValue.
TEST(JSONReader, RefusesInvalidText) {
    const RejectedCase cases[] = {
        // No value at all.
        {"empty buffer", ""},
        {"blanks only", " \t\r\n"},
        {"a NUL byte alone", "\0"sv},
        // Byte-order marks and other leading bytes.
        {"leading byte-order mark", "\xEF\xBB\xBF{}"},
        {"byte-order mark after a blank", " \xEF\xBB\xBF{}"},
        {"part of a byte-order mark", "\xEF\xBB{}"},
        {"form feed is no blank", "\f[]"},
        {"vertical tab is no blank", "\v[]"},
        {"no-break space is no blank", "\xC2\xA0[]"},
        {"NUL before the value", "\0[]"sv},
        // Top level.
        {"top-level string", R"("data")"},
        {"top-level number", "1"},
        {"top-level true", "true"},
        {"top-level false", "false"},
        {"top-level null", "null"},
        {"text before the object", R"(ticker={"data":{}})"},
        {"a JSONP wrapper", R"(callback({"data":{}}))"},
        {"an HTML page", "<!DOCTYPE html>\n<html><body><h1>502 Bad Gateway</h1></body></html>\n"},
        // Syntax.
        {"trailing comma in an array", "[1,]"},
        {"trailing comma in an object", R"({"a":1,})"},
        {"missing comma", "[1 2]"},
        {"key without value", R"({"a"})"},
        {"key with colon but no value", R"({"a":})"},
        {"unquoted key", "{a:1}"},
        {"number key", "{1:1}"},
        {"single quotes", "['a']"},
        {"mismatched brackets", "[}"},
        {"mismatched braces", R"({"a":1])"},
        {"leading zero", "[01]"},
        {"point without digits after", "[1.]"},
        {"point without digits before", "[.5]"},
        {"plus sign", "[+1]"},
        {"hex number", "[0x10]"},
        {"exponent without digits", "[1e]"},
        {"exponent sign without digits", "[1e+]"},
        {"minus alone", "[-]"},
        {"NaN", "[NaN]"},
        {"Infinity", "[Infinity]"},
        {"capitalised literal", "[True]"},
        {"cut literal", "[tru]"},
        {"comment inside", "[1 /* one */]"},
        {"line comment before", "// ticker\n[1]"},
        {"NUL inside an array", "[1,\0 2]"sv},
        // Cut short.
        {"open array", "["},
        {"open object", "{"},
        {"after a key", R"({"a":)"},
        {"inside a string", R"(["abc)"},
        {"after a member", R"({"a":1)"},
        {"after a comma", "[1,"},
        {"inside an escape", R"(["\u00)"},
        {"a reply cut short", R"({"data":{"last":{"display":"$13.50"},"vol":{"value":"74)"},
        // Numbers out of range.
        {"integer above 64 bits", "[18446744073709551616]"},
        {"integer below 64 bits", "[-9223372036854775809]"},
        {"long integer", "[123456789012345678901234567890]"},
        {"double overflow", "[1e400]"},
        {"negative double overflow", "[-1e400]"},
        {"double underflow", "[1e-400]"},
        {"negative double underflow", "[-1e-400]"},
        {"underflow below the smallest subnormal", "[2e-324]"},
        {"underflow with a fraction", "[0.001e-330]"},
        // Raw control characters and escapes.
        {"raw tab in a string", "[\"a\tb\"]"},
        {"raw line feed in a string", "[\"a\nb\"]"},
        {"raw U+0001 in a string", "[\"\x01\"]"},
        {"raw NUL in a string", "[\"a\0b\"]"sv},
        {"raw control character in a key", "{\"\x1F\":1}"},
        {"unknown escape \\x", R"(["\x41"])"},
        {"unknown escape \\'", R"(["\'"])"},
        {"unknown escape \\a", R"(["\a"])"},
        {"upper-case \\U", R"(["\U0041"])"},
        {"short \\u", R"(["\u12"])"},
        {"bad hex in \\u", R"(["\u12G4"])"},
        // Surrogates.
        {"lone high surrogate escape", R"(["\ud800"])"},
        {"lone low surrogate escape", R"(["\udc00"])"},
        {"high surrogate then a character", R"(["\ud800\u0041"])"},
        {"high surrogate then text", R"(["\ud800x"])"},
        {"surrogates in the wrong order", R"(["\udc00\ud800"])"},
        {"two high surrogates", R"(["\ud800\ud800"])"},
        {"encoded high surrogate", "[\"\xED\xA0\x80\"]"},
        {"encoded low surrogate", "[\"\xED\xBF\xBF\"]"},
        {"encoded surrogate pair", "[\"\xED\xA0\xBD\xED\xB8\x80\"]"},
        // Malformed UTF-8.
        {"overlong '/' in two bytes", "[\"\xC0\xAF\"]"},
        {"overlong in two bytes, C1", "[\"\xC1\xBF\"]"},
        {"overlong '/' in three bytes", "[\"\xE0\x80\xAF\"]"},
        {"overlong U+07FF in three bytes", "[\"\xE0\x9F\xBF\"]"},
        {"overlong '/' in four bytes", "[\"\xF0\x80\x80\xAF\"]"},
        {"overlong U+FFFF in four bytes", "[\"\xF0\x8F\xBF\xBF\"]"},
        {"beyond U+10FFFF", "[\"\xF4\x90\x80\x80\"]"},
        {"lead byte F5", "[\"\xF5\x80\x80\x80\"]"},
        {"byte FE", "[\"\xFE\"]"},
        {"byte FF", "[\"\xFF\"]"},
        {"lone continuation byte", "[\"\x80\"]"},
        {"truncated sequence", "[\"\xE2\x82\"]"},
        {"lead byte then ASCII", "[\"\xC3"
                                 "A\"]"},
        {"invalid UTF-8 in a key", "{\"\xC0\xAF\":1}"},
        {"invalid UTF-8 outside a string", "[1,\xC3\xA9]"},
        // Noncharacters, raw and escaped, in strings and keys.
        {"raw U+FDD0", "[\"\xEF\xB7\x90\"]"},
        {"raw U+FDEF", "[\"\xEF\xB7\xAF\"]"},
        {"raw U+FFFE", "[\"\xEF\xBF\xBE\"]"},
        {"raw U+FFFF", "[\"\xEF\xBF\xBF\"]"},
        {"raw U+1FFFE", "[\"\xF0\x9F\xBF\xBE\"]"},
        {"raw U+10FFFF", "[\"\xF4\x8F\xBF\xBF\"]"},
        {"escaped U+FDD0", R"(["\ufdd0"])"},
        {"escaped U+FDEF", R"(["\uFDEF"])"},
        {"escaped U+FFFE", R"(["\ufffe"])"},
        {"escaped U+FFFF", R"(["\uFFFF"])"},
        {"escaped U+1FFFF", R"(["\ud83f\udfff"])"},
        {"escaped U+10FFFE", R"(["\udbff\udffe"])"},
        {"noncharacter in the middle of a string", R"(["abc\uffffdef"])"},
        {"raw noncharacter in a key", "{\"\xEF\xBF\xBE\":1}"},
        {"escaped noncharacter in a key", R"({"\ufdd0":1})"},
        {"escaped noncharacter in a nested key", R"({"data":{"\uffff":1}})"},
    };
    for (unsigned options : {0u, kStop}) {
        for (const RejectedCase& c : cases) {
            SCOPED_TRACE(std::string(c.why) + (options ? " (stop after first value)" : ""));
            std::string error;
            std::optional<std::string> value = readAsJSON(c.input, options, &error);
            EXPECT_FALSE(value) << "read as " << *value;
            EXPECT_FALSE(error.empty());
        }
    }
}

struct TrailingCase {
    const char* name;
    std::string_view input;
    std::string_view first; // the first value
};

// What follows the first value: refused in strict reading, ignored with StopAfterFirstValue.
TEST(JSONReader, TextAfterTheFirstValue) {
    const TrailingCase cases[] = {
        {"more text", R"({"data":{"a":1}} and more)", R"({"data":{"a":1}})"},
        {"a second object", R"({"a":1}{"a":2})", R"({"a":1})"},
        {"a second object after blanks", "{\"a\":1}\r\n{\"a\":2}", R"({"a":1})"},
        {"the start of a second reply", R"({"data":{"last":{"display":"$13.50"}}}{"data":{"la)",
         R"({"data":{"last":{"display":"$13.50"}}})"},
        {"an HTTP header", "[1]HTTP/1.1 200 OK\r\n", "[1]"},
        {"a closing bracket too many", "[1]]", "[1]"},
        {"a comment", "[1] // done", "[1]"},
        {"a NUL byte", "[1]\0"sv, "[1]"},
        {"blanks then a NUL byte", "[1] \n\0 "sv, "[1]"},
        {"a form feed", "[1]\f", "[1]"},
        {"invalid UTF-8", "{}\xC0\xAF\xFF", "{}"},
        {"a byte-order mark", "[]\xEF\xBB\xBF", "[]"},
        {"a noncharacter", "[]\"\xEF\xBF\xBF\"", "[]"},
        {"a number out of range", "[]1e400", "[]"},
    };
    for (const TrailingCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        std::optional<std::string> first = readAsJSON(c.input, kStop, &error);
        ASSERT_TRUE(first) << error;
        EXPECT_EQ(*first, c.first);
        EXPECT_FALSE(readAsJSON(c.input, 0));
    }
}

TEST(JSONReader, StrictReadingAllowsOnlyBlanksAfterTheValue) {
    EXPECT_EQ(readAsJSON("{} \t\r\n", 0), "{}");
    EXPECT_EQ(readAsJSON("[1]\n", 0), "[1]");
}

// Nesting is bounded: a hostile text cannot make the reader hold a million open levels.
TEST(JSONReader, ReadsNestingUpToItsLimitAndNoDeeper) {
    constexpr std::size_t limit = NSJSONSerialization::maxNestingDepth;
    auto arrays = [](std::size_t depth) {
        return std::string(depth, '[') + std::string(depth, ']');
    };
    auto objects = [](std::size_t depth) {
        std::string text;
        for (std::size_t i = 0; i < depth; ++i)
            text += "{\"a\":";
        return text + '1' + std::string(depth, '}');
    };
    std::string error;
    Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes(arrays(limit), 0, &error);
    ASSERT_TRUE(value) << error;
    std::size_t levels = 0;
    for (const NSArray* array = NSCast<NSArray>(value.get()); array;
         array = NSCast<NSArray>(array->objectAtIndex(0))) {
        ++levels;
        ASSERT_LE(array->count(), 1u);
    }
    EXPECT_EQ(levels, limit);
    EXPECT_TRUE(NSJSONSerialization::JSONObjectWithBytes(objects(limit), kStop));

    for (const std::string& deeper : {arrays(limit + 1), objects(limit + 1)}) {
        for (unsigned options : {0u, kStop, unsigned(NSJSONReadingMutableContainers)}) {
            EXPECT_FALSE(NSJSONSerialization::JSONObjectWithBytes(deeper, options, &error));
            EXPECT_NE(error.find("nesting"), std::string::npos) << error;
        }
    }
    constexpr std::size_t million = 1000000;
    EXPECT_FALSE(NSJSONSerialization::JSONObjectWithBytes(std::string(million, '['), kStop));
    EXPECT_TRUE(NSJSONSerialization::JSONObjectWithBytes("[]" + std::string(million, '['), kStop));
}

// A key looked up finds what a reader of the whole object would: the last of a repeated key,
// a key written with escapes, nothing for an absent one.
TEST(JSONReader, LooksUpAKeyAsTheWholeObjectReadsIt) {
    const char* text = R"({"a":1,"d\u0061ta":{"x":[1,{"a":"}"}]},"b":"\"{","a":[2],"c\"":3})";
    const struct {
        const char* key;
        const char* expected; // written back; null when absent
    } cases[] = {
        {"a", "[2]"},      {"data", R"({"x":[1,{"a":"}"}]})"},
        {"b", R"("\"{")"}, {"c\"", "3"},
        {"x", nullptr},    {"d\\u0061ta", nullptr},
    };
    for (unsigned options : {0u, kStop, unsigned(NSJSONReadingMutableContainers)}) {
        Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes(text, options);
        const NSDictionary* object = NSCast<NSDictionary>(value.get());
        ASSERT_TRUE(object);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.key);
            NSObject* member = object->objectForKey(c.key);
            if (!c.expected) {
                EXPECT_FALSE(member);
                continue;
            }
            ASSERT_TRUE(member);
            EXPECT_EQ(NSJSONSerialization::JSONStringFromObject(member), c.expected);
            EXPECT_EQ(object->objectForKey(c.key), member); // the same object when asked again
        }
        // Asking for every member keeps the ones already looked up.
        NSObject* data = object->objectForKey("data");
        EXPECT_EQ(object->count(), 4u);
        EXPECT_EQ(object->entries().at("data").get(), data);
    }
}

TEST(JSONReader, ContainersAndStringsAreImmutableUnlessAskedFor) {
    const char* text = R"({"list":["a"]})";
    Ref<NSObject> plain = NSJSONSerialization::JSONObjectWithBytes(text, 0);
    ASSERT_TRUE(NSCast<NSDictionary>(plain.get()));
    EXPECT_FALSE(NSCast<NSMutableDictionary>(plain.get()));
    const NSObject* list = NSCast<NSDictionary>(plain.get())->objectForKey("list");
    EXPECT_FALSE(NSCast<NSMutableArray>(list));
    EXPECT_FALSE(NSCast<NSMutableString>(NSCast<NSArray>(list)->objectAtIndex(0)));

    Ref<NSObject> mutableAll = NSJSONSerialization::JSONObjectWithBytes(
        text, NSJSONReadingMutableContainers | NSJSONReadingMutableLeaves);
    const NSMutableDictionary* top = NSCast<NSMutableDictionary>(mutableAll.get());
    ASSERT_TRUE(top);
    const NSMutableArray* mutableList = NSCast<NSMutableArray>(top->objectForKey("list"));
    ASSERT_TRUE(mutableList);
    const NSMutableString* member = NSCast<NSMutableString>(mutableList->objectAtIndex(0));
    ASSERT_TRUE(member);
    EXPECT_EQ(member->UTF8String(), "a");
}

TEST(JSONReader, NullIsTheSharedNullObject) {
    Ref<NSObject> value = NSJSONSerialization::JSONObjectWithBytes("[null]", 0);
    EXPECT_EQ(NSCast<NSArray>(value.get())->objectAtIndex(0), NSNull::null());
}

TEST(JSONReader, FragmentsOnlyWhenAllowed) {
    constexpr unsigned fragments = NSJSONReadingAllowFragments;
    EXPECT_EQ(readAsJSON(R"("a")", fragments), R"("a")");
    EXPECT_EQ(readAsJSON(" 12 ", fragments), "12");
    EXPECT_EQ(readAsJSON("null", fragments), "null");
    EXPECT_EQ(readAsJSON("12x", fragments | kStop), "12");
    EXPECT_EQ(readAsJSON("1-e.5", fragments | kStop), "1"); // the number ends before the '-'
    EXPECT_EQ(readAsJSON("-2.5e1e", fragments | kStop), "-25.0");
    EXPECT_FALSE(readAsJSON("12x", fragments));
    EXPECT_FALSE(readAsJSON("1 2", fragments));
    EXPECT_FALSE(readAsJSON("12\0"sv, fragments));
    EXPECT_FALSE(readAsJSON(R"("\ufffe")", fragments));
    EXPECT_FALSE(readAsJSON("1e400", fragments));
}

TEST(JSONReader, ReadsFromData) {
    std::string text = R"({"data":{"vol":{"value":"742.6"}}})";
    Ref<NSData> data = NSData::dataWithBytes(text.data(), text.size());
    Ref<NSObject> value = NSJSONSerialization::JSONObjectWithData(data, kStop);
    ASSERT_TRUE(value);
    EXPECT_EQ(NSJSONSerialization::JSONStringFromObject(value), text);

    std::string error;
    EXPECT_FALSE(NSJSONSerialization::JSONObjectWithData(nullptr, kStop, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(NSJSONSerialization::JSONObjectWithData(make<NSData>().get(), kStop));
}

// Each read starts afresh: a read that failed half-way leaves nothing behind for the next.
TEST(JSONReader, NothingCarriesOverBetweenReads) {
    EXPECT_FALSE(readAsJSON(R"({"a":[1,{"b":)", kStop));
    EXPECT_EQ(readAsJSON("[2]", kStop), "[2]");
    EXPECT_FALSE(readAsJSON("[\"\xEF\xBF\xBF\"", kStop));
    EXPECT_EQ(readAsJSON(R"({"c":3})", kStop), R"({"c":3})");
}

} // namespace
