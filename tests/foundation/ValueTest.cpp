// Numbers, strings, null and collections: their texts and their equality.
#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

Ref<NSObject> str(const char* text) {
    return NSString::stringWithUTF8String(text);
}
Ref<NSObject> integer(int64_t value) {
    return NSNumber::numberWithLongLong(value);
}
Ref<NSObject> real(double value) {
    return NSNumber::numberWithDouble(value);
}
Ref<NSObject> list(std::vector<Ref<NSObject>> members) {
    return make<NSArray>(std::move(members));
}
Ref<NSObject> dict(NSDictionary::Storage entries) {
    return make<NSDictionary>(std::move(entries));
}

TEST(NumberDescription, IsTheShortestExactText) {
    struct Case {
        Ref<NSNumber> number;
        const char* text;
    } cases[] = {
        {NSNumber::numberWithBool(true), "1"},
        {NSNumber::numberWithBool(false), "0"},
        {NSNumber::numberWithLongLong(-5), "-5"},
        {NSNumber::numberWithLongLong(INT64_MIN), "-9223372036854775808"},
        {NSNumber::numberWithUnsignedLongLong(UINT64_MAX), "18446744073709551615"},
        {NSNumber::numberWithDouble(742.6), "742.6"},
        {NSNumber::numberWithDouble(0.1), "0.1"},
        {NSNumber::numberWithDouble(1.0), "1"},
        {NSNumber::numberWithDouble(-0.0), "-0"},
        {NSNumber::numberWithDouble(1e300), "1e+300"},
        {NSNumber::numberWithDouble(std::nan("")), "nan"},
        {NSNumber::numberWithDouble(-INFINITY), "-inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.number->description(), c.text);
    }
}

TEST(Number, UnsignedOnlyAboveTheSignedRange) {
    EXPECT_EQ(NSNumber::numberWithUnsignedLongLong(5)->kind(), NSNumber::Kind::Int);
    EXPECT_EQ(NSNumber::numberWithUnsignedLongLong(uint64_t{1} << 63)->kind(),
              NSNumber::Kind::UInt);
}

struct EqualCase {
    const char* name;
    Ref<NSObject> a;
    Ref<NSObject> b;
    bool equal;
};

void checkEquality(const std::vector<EqualCase>& cases) {
    for (const EqualCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.a->isEqual(c.b), c.equal);
        EXPECT_EQ(c.b->isEqual(c.a), c.equal); // symmetric
    }
}

TEST(NumberEquality, ComparesByValueWithinItsFamily) {
    const uint64_t top = UINT64_MAX;
    checkEquality({
        {"same integer", integer(7), integer(7), true},
        {"other integer", integer(7), integer(8), false},
        {"integer and equal double", integer(1), real(1.0), true},
        {"integer and other double", integer(1), real(1.5), false},
        {"same unsigned", NSNumber::numberWithUnsignedLongLong(top),
         NSNumber::numberWithUnsignedLongLong(top), true},
        {"unsigned top and -1 share their bits only", NSNumber::numberWithUnsignedLongLong(top),
         integer(-1), false},
        {"unsigned and equal double", NSNumber::numberWithUnsignedLongLong(uint64_t{1} << 63),
         real(9223372036854775808.0), true},
        {"booleans", NSNumber::numberWithBool(true), NSNumber::numberWithBool(true), true},
        {"other booleans", NSNumber::numberWithBool(true), NSNumber::numberWithBool(false), false},
        {"boolean and 1", NSNumber::numberWithBool(true), integer(1), false},
        {"zero and minus zero", real(0.0), real(-0.0), true},
        {"NaN is not equal to itself", real(std::nan("")), real(std::nan("")), false},
        {"number and its text", integer(1), str("1"), false},
        {"number and null", integer(0), NSNull::null(), false},
    });
}

TEST(CollectionEquality, IsDeep) {
    checkEquality({
        {"strings", str("a"), str("a"), true},
        {"other strings", str("a"), str("b"), false},
        {"string and mutable string", str("a"), make<NSMutableString>("a"), true},
        {"null objects", NSNull::null(), NSNull::null(), true},
        {"empty arrays", list({}), list({}), true},
        {"array and mutable array", list({integer(1)}),
         make<NSMutableArray>(std::vector<Ref<NSObject>>{integer(1)}), true},
        {"same members", list({str("a"), integer(1)}), list({str("a"), real(1.0)}), true},
        {"other order", list({str("a"), str("b")}), list({str("b"), str("a")}), false},
        {"other count", list({str("a")}), list({str("a"), str("a")}), false},
        {"nested difference", list({list({list({integer(1)})})}),
         list({list({list({integer(2)})})}), false},
        {"array and dictionary", list({}), dict({}), false},
        {"same entries", dict({{"a", integer(1)}, {"b", list({})}}),
         dict({{"b", list({})}, {"a", integer(1)}}), true},
        {"other key", dict({{"a", integer(1)}}), dict({{"b", integer(1)}}), false},
        {"other value", dict({{"a", integer(1)}}), dict({{"a", integer(2)}}), false},
        {"extra entry", dict({{"a", integer(1)}}), dict({{"a", integer(1)}, {"b", integer(1)}}),
         false},
        {"dictionary and mutable dictionary", dict({{"a", str("x")}}),
         make<NSMutableDictionary>(NSDictionary::Storage{{"a", str("x")}}), true},
        {"nested dictionaries", dict({{"data", dict({{"last", dict({{"display", str("$1")}})}})}}),
         dict({{"data", dict({{"last", dict({{"display", str("$2")}})}})}}), false},
        {"null member and string member", list({NSNull::null()}), list({str("<null>")}), false},
        {"data", NSData::dataWithBytes("ab", 2), NSData::dataWithBytes("ab", 2), true},
    });
}

TEST(CollectionEquality, CompareAMillionDeepWithoutRecursion) {
    constexpr int depth = 1000000;
    Ref<NSObject> a = integer(1), b = integer(1), c = integer(2);
    for (int i = 0; i < depth; ++i) {
        a = list({a});
        b = list({b});
        c = list({c});
    }
    EXPECT_TRUE(a->isEqual(b));
    EXPECT_FALSE(a->isEqual(c));
}

TEST(CollectionDescription, ListsMembers) {
    EXPECT_EQ(list({str("a"), integer(2), NSNull::null()})->description(), "(a, 2, <null>)");
    EXPECT_EQ(dict({{"b", list({})}, {"a", integer(1)}})->description(), "{a = 1; b = ();}");
    EXPECT_EQ(list({})->description(), "()");
    EXPECT_EQ(dict({})->description(), "{}");
}

TEST(CollectionDescription, StopsAtADepthLimit) {
    Ref<NSObject> chain = integer(1);
    for (int i = 0; i < 100000; ++i)
        chain = list({chain});
    std::string text = chain->description();
    EXPECT_NE(text.find("..."), std::string::npos);
    EXPECT_LT(text.size(), 1000u);
}

TEST(Dictionary, ObjectForKey) {
    Ref<NSMutableDictionary> d = make<NSMutableDictionary>();
    d->setObjectForKey(str("x").get(), "a");
    d->setObjectForKey(str("y").get(), "a");
    EXPECT_TRUE(d->objectForKey("a")->isEqual(str("y").get()));
    EXPECT_EQ(d->objectForKey("b"), nullptr);
    EXPECT_EQ(d->objectForKey(static_cast<const NSString*>(nullptr)), nullptr);
    d->setObjectForKey(nullptr, "a");
    EXPECT_EQ(d->count(), 0u);
}

} // namespace
