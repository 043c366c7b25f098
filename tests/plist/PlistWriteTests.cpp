// Writing dictionaries out as property lists and reading them back.
#include "PlistFixtures.h"

#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>

#include <cstdint>

namespace fs = std::filesystem;
using plisttest::DeviceRootTest;

namespace {

Ref<NSDictionary> everyKind() {
    std::vector<uint8_t> allBytes(256);
    for (int i = 0; i < 256; ++i)
        allBytes[i] = static_cast<uint8_t>(i);
    NSDictionary::Storage inner{{"deep", NSNumber::numberWithBool(false)}};
    NSDictionary::Storage entries{
        {"currency", NSString::stringWithUTF8String("EUR")},
        {"empty", NSString::stringWithUTF8String("")},
        {"markup", NSString::stringWithUTF8String("<key>&amp;</key> \u20AC\n\ttab")},
        {"negative", NSNumber::numberWithLongLong(-42)},
        {"int64min", NSNumber::numberWithLongLong(INT64_MIN)},
        {"int64max", NSNumber::numberWithLongLong(INT64_MAX)},
        {"uint64max", NSNumber::numberWithUnsignedLongLong(UINT64_MAX)},
        {"real", NSNumber::numberWithDouble(-1234.0625)},
        {"yes", NSNumber::numberWithBool(true)},
        {"no", NSNumber::numberWithBool(false)},
        {"date", NSDate::dateWithTimeIntervalSinceReferenceDate(378691200.0)},
        {"before2001", NSDate::dateWithTimeIntervalSinceReferenceDate(-86400.0)},
        {"data", make<NSData>(allBytes)},
        {"list", make<NSArray>(std::vector<Ref<NSObject>>{NSString::stringWithUTF8String("a"),
                                                          make<NSArray>()})},
        {"nested", make<NSDictionary>(NSDictionary::Storage{{"inner", make<NSDictionary>(inner)}})},
        {"key with <markup> & spaces", NSString::stringWithUTF8String("v")},
    };
    return make<NSDictionary>(std::move(entries));
}

Ref<NSObject> nestedArrays(std::size_t depth) {
    Ref<NSObject> value = make<NSArray>();
    for (std::size_t i = 1; i < depth; ++i)
        value = make<NSArray>(std::vector<Ref<NSObject>>{value});
    return value;
}

} // namespace

class PlistWrite : public DeviceRootTest {};

TEST_F(PlistWrite, EveryValueKindSurvivesWriteAndRead) {
    for (bool atomically : {true, false}) {
        SCOPED_TRACE(atomically ? "atomically" : "in place");
        std::string path = prefsFile("round.plist");
        Ref<NSDictionary> original = everyKind();
        ASSERT_TRUE(original->writeToFile(path, atomically));
        EXPECT_TRUE(test::readFile(real(path)).starts_with("<?xml")); // the widget reads XML
        Ref<NSDictionary> back = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->isEqual(original.get())) << back->description();
        const NSNumber* big = NSCast<NSNumber>(back->objectForKey("uint64max"));
        ASSERT_TRUE(big);
        EXPECT_EQ(big->kind(), NSNumber::Kind::UInt); // not read back as -1
    }
}

// The pane's step: a binary file from elsewhere is loaded, one entry changed, and the
// whole list written back as XML; nothing else may be lost or altered.
TEST_F(PlistWrite, BinaryFileRewrittenAsXmlKeepsEveryEntry) {
    std::string path = prefsFile("binary.plist");
    test::writeFile(real(path), plisttest::binaryFromXml(plisttest::everyKindXml()));
    Ref<NSDictionary> before = NSDictionary::dictionaryWithContentsOfFile(path);
    Ref<NSMutableDictionary> d = NSMutableDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(before && d);
    d->setObjectForKey(NSString::stringWithUTF8String("JPY").get(), "currency");
    ASSERT_TRUE(d->writeToFile(path, true));
    EXPECT_TRUE(test::readFile(real(path)).starts_with("<?xml"));
    Ref<NSDictionary> after = NSDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->count(), before->count());
    for (const auto& [key, value] : before->entries()) {
        SCOPED_TRACE(key);
        if (key == "currency") {
            EXPECT_EQ(NSDescription(after->objectForKey(key)), "JPY");
        } else {
            EXPECT_TRUE(value->isEqual(after->objectForKey(key)));
        }
    }
}

// Values with no faithful property-list form make the write fail before any file is
// touched, rather than write something else.
TEST_F(PlistWrite, ValuesWithoutAPropertyListFormFailAndTouchNothing) {
    struct Case {
        const char* name;
        Ref<NSObject> value;
    } cases[] = {
        {"NSNull", NSNull::null()},
        {"string with a NUL", make<NSString>(std::string("EU\0R", 4))},
        {"date past 2038", NSDate::dateWithTimeIntervalSinceReferenceDate(3e9)},
        {"NSNull inside an array", make<NSArray>(std::vector<Ref<NSObject>>{NSNull::null()})},
        {"arrays one deeper than the limit", nestedArrays(NSPropertyList::kMaxDepth)},
        {"arrays 100000 deep", nestedArrays(100000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("refused.plist");
        test::writeFile(real(path), "old");
        NSDictionary::Storage entries{{"value", c.value}};
        Ref<NSDictionary> d = make<NSDictionary>(std::move(entries));
        EXPECT_FALSE(d->writeToFile(path, true));
        EXPECT_FALSE(d->writeToFile(path, false));
        EXPECT_EQ(test::readFile(real(path)), "old");
        EXPECT_EQ(listing(real(path).parent_path()), "refused.plist");
    }
    NSDictionary::Storage nulKey{{std::string("a\0b", 3), NSString::stringWithUTF8String("v")}};
    EXPECT_FALSE(make<NSDictionary>(std::move(nulKey))->writeToFile(prefsFile("k.plist"), true));
}

// Just inside the limit the write works and reads back whole.
TEST_F(PlistWrite, NestingAtTheLimitIsWritten) {
    std::string path = prefsFile("deep.plist");
    NSDictionary::Storage entries{{"value", nestedArrays(NSPropertyList::kMaxDepth - 1)}};
    Ref<NSDictionary> d = make<NSDictionary>(std::move(entries));
    ASSERT_TRUE(d->writeToFile(path, true));
    Ref<NSDictionary> back = NSDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(d.get()));
}
