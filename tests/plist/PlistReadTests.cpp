// Reading property-list files into dictionaries.
#include "PlistFixtures.h"

#include <Foundation/NSArray.h>
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

namespace fs = std::filesystem;
using plisttest::DeviceRootTest;

namespace {

// A binary list laid out by hand: `objects` in order, one-byte offsets are not enough
// for big ones, so offsets and references are four bytes wide.
std::string binaryList(const std::vector<std::string>& objects, uint64_t top = 0) {
    std::string out = "bplist00";
    std::vector<uint32_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out += object;
    }
    auto be = [&out](uint64_t value, int size) {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            out += static_cast<char>((value >> shift) & 0xFF);
    };
    uint64_t table = out.size();
    for (uint32_t offset : offsets)
        be(offset, 4);
    out.append(6, '\0');
    out += '\x04'; // offset size
    out += '\x04'; // reference size
    be(objects.size(), 8);
    be(top, 8);
    be(table, 8);
    return out;
}

// An array object holding the given four-byte references.
std::string arrayObject(std::initializer_list<uint32_t> refs) {
    std::string object(1, static_cast<char>(0xA0 | refs.size()));
    for (uint32_t ref : refs)
        for (int shift = 24; shift >= 0; shift -= 8)
            object += static_cast<char>((ref >> shift) & 0xFF);
    return object;
}

// Each array holds the next one; the last is empty.
std::string deepBinary(uint32_t depth) {
    std::vector<std::string> objects;
    for (uint32_t i = 0; i + 1 < depth; ++i)
        objects.push_back(arrayObject({i + 1}));
    objects.push_back(arrayObject({}));
    return binaryList(objects);
}

} // namespace

class PlistRead : public DeviceRootTest {};

// Every value kind, from an XML file and from libplist's binary form of the same list.
TEST_F(PlistRead, EveryValueKindFromXmlAndBinary) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"xml", plisttest::everyKindXml()},
        {"binary", plisttest::binaryFromXml(plisttest::everyKindXml())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("every.plist");
        test::writeFile(real(path), c.bytes);
        Ref<NSDictionary> d = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->count(), 13u);
        auto text = [&](const char* key) {
            const NSString* s = NSCast<NSString>(d->objectForKey(key));
            return s ? s->UTF8String() : std::string("<not a string>");
        };
        auto number = [&](const char* key) { return NSCast<NSNumber>(d->objectForKey(key)); };
        EXPECT_EQ(text("currency"), "EUR");
        EXPECT_EQ(text("empty"), "");
        EXPECT_EQ(text("text"), "a <b> & \u20AC c");
        ASSERT_TRUE(number("negative") && number("int64min") && number("uint64max"));
        EXPECT_EQ(number("negative")->longLongValue(), -42);
        EXPECT_EQ(number("int64min")->longLongValue(), INT64_MIN);
        EXPECT_EQ(number("uint64max")->kind(), NSNumber::Kind::UInt);
        EXPECT_EQ(number("uint64max")->unsignedLongLongValue(), UINT64_MAX);
        ASSERT_TRUE(number("real") && number("yes") && number("no"));
        EXPECT_EQ(number("real")->kind(), NSNumber::Kind::Double);
        EXPECT_EQ(number("real")->doubleValue(), 0.5);
        EXPECT_TRUE(number("yes")->isBoolean() && number("yes")->boolValue());
        EXPECT_TRUE(number("no")->isBoolean() && !number("no")->boolValue());
        const NSDate* date = NSCast<NSDate>(d->objectForKey("date"));
        ASSERT_TRUE(date);
        EXPECT_EQ(date->timeIntervalSinceReferenceDate(), 378691200.0); // 2013-01-01
        const NSData* data = NSCast<NSData>(d->objectForKey("data"));
        ASSERT_TRUE(data);
        EXPECT_EQ(data->view(), "hello");
        const NSArray* list = NSCast<NSArray>(d->objectForKey("list"));
        ASSERT_TRUE(list);
        ASSERT_EQ(list->count(), 3u);
        EXPECT_EQ(NSDescription(list->objectAtIndex(1)), "two");
        EXPECT_TRUE(NSCast<NSArray>(list->objectAtIndex(2)));
        const NSDictionary* nested = NSCast<NSDictionary>(d->objectForKey("nested"));
        ASSERT_TRUE(nested);
        const NSDictionary* inner = NSCast<NSDictionary>(nested->objectForKey("inner"));
        ASSERT_TRUE(inner);
        EXPECT_TRUE(NSCast<NSNumber>(inner->objectForKey("deep")));
    }
}

TEST_F(PlistRead, MutableVariantHasAMutableRoot) {
    std::string path = prefsFile("every.plist");
    test::writeFile(real(path), plisttest::everyKindXml());
    Ref<NSMutableDictionary> d = NSMutableDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(d);
    EXPECT_STREQ(d->className(), "NSMutableDictionary");
    d->setObjectForKey(NSString::stringWithUTF8String("GBP").get(), "currency");
    EXPECT_EQ(NSDescription(d->objectForKey("currency")), "GBP");
    EXPECT_STREQ(NSDictionary::dictionaryWithContentsOfFile(path)->className(), "NSDictionary");
}

// Files that hold no dictionary we can use: each answers null, and none crashes.
TEST_F(PlistRead, UnusableFilesGiveNull) {
    std::string binary = plisttest::binaryFromXml(plisttest::everyKindXml());
    std::string uidList; // a keyed archive's uid under a key
    {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "ref", plist_new_uid(7));
        char* bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bytes, &length);
        uidList.assign(bytes, length);
        std::free(bytes);
        plist_free(root);
    }
    std::vector<std::string> laughs; // 64 arrays, each holding the next twice: 2^64 values
    for (uint32_t i = 0; i < 63; ++i)
        laughs.push_back(arrayObject({i + 1, i + 1}));
    laughs.push_back(arrayObject({}));

    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"not a property list", "currency = EUR\n"},
        {"root is an array", "<plist><array><string>EUR</string></array></plist>"},
        {"root is a string", "<plist><string>EUR</string></plist>"},
        {"XML cut short", plisttest::everyKindXml().substr(0, 300)},
        {"binary cut in half", binary.substr(0, binary.size() / 2)},
        {"binary without its trailer", binary.substr(0, binary.size() - 32)},
        {"binary holding a uid", uidList},
        {"binary array holding itself", binaryList({arrayObject({0})})},
        {"binary reference past the end", binaryList({arrayObject({5})})},
        {"binary sharing that expands to 2^64 values", binaryList(laughs)},
        {"XML arrays 100000 deep", plisttest::nestedArraysXml(100000)},
        {"binary arrays 100000 deep", deepBinary(100000)},
        {"XML arrays one deeper than the limit",
         plisttest::nestedArraysXml(NSPropertyList::kMaxDepth + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("bad.plist");
        test::writeFile(real(path), c.bytes);
        EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile(path));
        EXPECT_FALSE(NSMutableDictionary::dictionaryWithContentsOfFile(path));
    }
}

// The limit itself is readable, so the refusals above are the limit and not a parse error.
TEST_F(PlistRead, NestingUpToTheLimitIsRead) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"xml", plisttest::nestedArraysXml(NSPropertyList::kMaxDepth)},
        {"binary", deepBinary(NSPropertyList::kMaxDepth)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<NSObject> list = NSPropertyList::objectWithData(c.bytes, false);
        std::size_t depth = 0;
        for (const NSObject* at = list.get(); const NSArray* array = NSCast<NSArray>(at);
             at = array->objectAtIndex(0))
            ++depth;
        EXPECT_EQ(depth, NSPropertyList::kMaxDepth);
    }
}

TEST_F(PlistRead, MissingOrNonFileTargetsGiveNull) {
    std::string path = prefsFile("absent.plist");
    EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile(path));
    fs::create_directory(real("/var/mobile/Library/Preferences/folder.plist"));
    EXPECT_FALSE(
        NSDictionary::dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/folder.plist"));
    ASSERT_EQ(mkfifo(real("/var/mobile/Library/Preferences/fifo.plist").c_str(), 0644), 0);
    // A FIFO with no writer would block a plain open-and-read forever.
    EXPECT_FALSE(
        NSDictionary::dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/fifo.plist"));
}

// Rights are checked as nobody (when the suite runs as root), with a readable control case
// in the same setting so that a null really comes from the missing right.
TEST_F(PlistRead, FilesTheReaderMayNotReadGiveNull) {
    struct Case {
        const char* name;
        fs::perms fileMode;
        fs::perms folderMode;
        bool readable;
    } cases[] = {
        {"readable file (control)", fs::perms(0644), fs::perms(0755), true},
        {"file mode 000", fs::perms(0000), fs::perms(0755), false},
        {"folder without search right", fs::perms(0644), fs::perms(0700), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("private/settings.plist");
        test::writeFile(real(path),
                        "<plist><dict><key>currency</key><string>EUR</string></dict></plist>");
        fs::permissions(real(path), c.fileMode);
        fs::permissions(real(path).parent_path(), c.folderMode);
        bool read = plisttest::runAsNobody(
            [&] { return bool(NSDictionary::dictionaryWithContentsOfFile(path)); });
        EXPECT_EQ(read, c.readable);
        fs::permissions(real(path).parent_path(), fs::perms(0755));
    }
}

// A file above the size cap is refused unread, however well formed its start is.
TEST_F(PlistRead, FileAboveTheSizeCapGivesNull) {
    struct Case {
        const char* name;
        std::uintmax_t size;
        bool readable;
    } cases[] = {
        {"small file (control)", 1000, true},
        {"65 MiB", std::uintmax_t{65} << 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("big.plist");
        test::writeFile(real(path), "<plist><dict><key>k</key><true/></dict></plist>\n");
        fs::resize_file(real(path), c.size); // zeros after the list: sparse, so quick
        EXPECT_EQ(bool(NSDictionary::dictionaryWithContentsOfFile(path)), c.readable);
    }
}
