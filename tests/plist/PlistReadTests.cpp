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

// A dictionary object of one entry, from its key's and its value's references.
std::string dictObject(uint32_t key, uint32_t value) {
    std::string object(1, '\xD1');
    for (uint32_t ref : {key, value})
        for (int shift = 24; shift >= 0; shift -= 8)
            object += static_cast<char>((ref >> shift) & 0xFF);
    return object;
}

// The list reads as a value with that description, or, for none, is refused.
void expectReadAs(std::string_view bytes, const char* description) {
    Ref<NSObject> value = NSPropertyList::objectWithData(bytes, false);
    if (description)
        EXPECT_EQ(value ? NSDescription(value.get()) : "<refused>", description);
    else
        EXPECT_FALSE(value) << NSDescription(value.get());
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
        {"at the cap", NSPropertyList::kMaxBytes, true},
        {"one byte above the cap", NSPropertyList::kMaxBytes + 1, false},
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

// A NUL is a character like any other: a string holding one is read whole, in both formats
// and both binary string forms, and a key may hold one too.
TEST_F(PlistRead, StringsKeepAnEmbeddedNul) {
    using namespace std::string_literals;
    const std::string asciiKey = "\x58"s + "currency"; // one byte a character, 8 of them
    struct Case {
        const char* name;
        std::string bytes;
        std::string key;
        std::string value;
    } cases[] = {
        {"xml string",
         "<plist version=\"1.0\"><dict><key>currency</key><string>EUR</string>"
         "<key>other</key><string>a\0b</string></dict></plist>"s,
         "other", "a\0b"s},
        {"xml key", "<plist><dict><key>k\0x</key><string>v</string></dict></plist>"s, "k\0x"s, "v"},
        {"xml character reference",
         "<plist><dict><key>k</key><string>a&#0;b</string></dict></plist>"s, "k", "a\0b"s},
        {"binary one byte a character",
         binaryList({dictObject(1, 2), asciiKey,
                     "\x53"
                     "E\0R"s}),
         "currency", "E\0R"s},
        {"binary UTF-16", binaryList({dictObject(1, 2), asciiKey, "\x63\0E\0\0\0R"s}), "currency",
         "E\0R"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = prefsFile("nul.plist");
        test::writeFile(real(path), c.bytes);
        Ref<NSDictionary> d = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(d);
        const NSString* value = NSCast<NSString>(d->objectForKey(c.key));
        ASSERT_TRUE(value);
        EXPECT_EQ(value->UTF8String(), c.value);
    }
}

// The limits a list must keep to, and that a list just inside them is read: so the
// refusals are the limits and not a parse error. A list at the limit of values is also
// read back as a whole.
TEST_F(PlistRead, ValueCountLimit) {
    auto xmlArray = [](std::size_t values) { // the array itself and values - 1 members
        std::string xml = "<plist><array>";
        for (std::size_t i = 1; i < values; ++i)
            xml += "<true/>";
        return xml + "</array></plist>";
    };
    auto xmlDictionary = [](std::size_t entries) { // 1 + 2 * entries values
        std::string xml = "<plist><dict>";
        for (std::size_t i = 0; i < entries; ++i)
            xml += "<key>" + std::to_string(i) + "</key><true/>";
        return xml + "</dict></plist>";
    };
    // An array holding the next one `fan` times, `levels` deep: shared, it is a few bytes;
    // expanded, 1 + fan + fan^2 + ... values.
    auto sharedArrays = [](uint32_t levels, uint32_t fan) {
        std::vector<std::string> objects;
        for (uint32_t i = 0; i + 1 < levels; ++i) {
            std::string object = "\xAF\x12" + std::string{0, 0, static_cast<char>(fan >> 8),
                                                          static_cast<char>(fan & 0xFF)};
            for (uint32_t k = 0; k < fan; ++k)
                object += std::string{0, 0, static_cast<char>((i + 1) >> 8),
                                      static_cast<char>((i + 1) & 0xFF)};
            objects.push_back(object);
        }
        objects.push_back(arrayObject({}));
        return binaryList(objects);
    };
    const std::size_t limit = NSPropertyList::kMaxValues;
    struct Case {
        const char* name;
        std::string bytes;
        bool readable;
    } cases[] = {
        {"xml array at the limit", xmlArray(limit), true},
        {"xml array one above", xmlArray(limit + 1), false},
        {"xml dictionary at the limit", xmlDictionary((limit - 1) / 2), true},
        {"xml dictionary one entry above", xmlDictionary((limit - 1) / 2 + 1), false},
        {"binary sharing at the limit: 1 + 255 + 255^2", sharedArrays(3, 255), true},
        {"binary sharing above: 1 + 256 + 256^2", sharedArrays(3, 256), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LE(c.bytes.size(), NSPropertyList::kMaxBytes);
        EXPECT_EQ(bool(NSPropertyList::objectWithData(c.bytes, false)), c.readable);
    }
}

// The XML reader on the forms a hand-written or foreign list may take, and on the faults it
// must refuse rather than read as something else (a number clipped, an entity dropped).
TEST(PlistXmlForms, ValuesReadOrRefused) {
    struct Case {
        const char* xml;
        const char* description; // null: refused
    } cases[] = {
        {"<plist><integer>0x10</integer></plist>", "16"},
        {"<plist><integer> -42 </integer></plist>", "-42"},
        {"<plist><integer>18446744073709551615</integer></plist>", "18446744073709551615"},
        {"<plist><integer>-9223372036854775808</integer></plist>", "-9223372036854775808"},
        {"<plist><integer>18446744073709551616</integer></plist>", nullptr},
        {"<plist><integer>-9223372036854775809</integer></plist>", nullptr},
        {"<plist><integer>-</integer></plist>", nullptr},
        {"<plist><integer>12a</integer></plist>", nullptr},
        {"<plist><real>0.5</real></plist>", "0.5"},
        {"<plist><real>half</real></plist>", nullptr},
        {"<plist><string><![CDATA[a<b]]> &amp; c</string></plist>", "a<b & c"},
        {"<plist><string>a<!-- note -->b</string></plist>", "ab"},
        {"<plist><string>&#x20AC;&#8364;&lt;&gt;&quot;&apos;</string></plist>",
         "\u20AC\u20AC<>\"'"},
        {"<plist><string>x &unknown; y</string></plist>", nullptr},
        {"<plist><string>x & y</string></plist>", nullptr},
        {"<plist><string>&#xD800;</string></plist>", nullptr},
        {"<plist><string><b>bold</b></string></plist>", nullptr},
        {"<plist><string>x</strin></plist>", nullptr},
        {"<plist><data>aGVs\n\tbG8=</data></plist>", "<68656c6c 6f>"},
        {"<plist><data>aGVsbG8</data></plist>", nullptr},
        {"<plist><data>aG=s</data></plist>", nullptr},
        {"<plist><date>2013-01-01T00:00:00Z</date></plist>", "2013-01-01 00:00:00 +0000"},
        {"<plist><date>2013-13-01T00:00:00Z</date></plist>", nullptr},
        {"<plist><true></true></plist>", "1"},
        {"<plist><false>no</false></plist>", nullptr},
        {"<plist><dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer>"
         "</dict></plist>",
         "{a = 2;}"},
        {"<plist><dict><key>a</key></dict></plist>", nullptr},
        {"<plist><dict><true/></dict></plist>", nullptr},
        {"<plist><array><key>a</key></array></plist>", nullptr},
        {"<plist><dict><key>a</key><true/></array></plist>", nullptr},
        {"<plist><foo/></plist>", nullptr},
        {"<plist><string>x</string>", nullptr},
        {"<plist/>", nullptr},
        {"<?xml version=\"1.0\"?><!-- c --><!DOCTYPE plist [ <!ENTITY x \"]>\"> ]>\n"
         "<plist version=\"1.0\"><string>ok</string></plist>",
         "ok"},
        {"\xEF\xBB\xBF<dict><key>a</key><true/></dict>", "{a = 1;}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        expectReadAs(c.xml, c.description);
    }
}

// The binary reader on object forms libplist's own writer does not make.
TEST(PlistBinaryForms, ValuesReadOrRefused) {
    using namespace std::string_literals;
    auto one = [](std::string object) { return binaryList({arrayObject({1}), std::move(object)}); };
    struct Case {
        const char* name;
        std::string bytes;
        const char* description; // of the one member of the root array; null: refused
    } cases[] = {
        {"one-byte integer", one("\x10\xFF"s), "(255)"},
        {"single-precision real", one("\x22\x3F\x00\x00\x00"s), "(0.5)"},
        {"128-bit integer that fits", one("\x14"s + std::string(8, '\0') + "\0\0\0\0\0\0\0\x07"s),
         "(7)"},
        {"128-bit integer beyond 64 bits",
         one("\x14"s + std::string(7, '\0') + "\x01" + std::string(8, '\0')), nullptr},
        {"one-byte string above ASCII, as Latin-1", one("\x51\xE9"s), "(\u00E9)"},
        {"UTF-16 surrogate pair", one("\x62\xD8\x3D\xDE\x00"s), "(\U0001F600)"},
        {"UTF-16 lone surrogate", one("\x61\xD8\x3D"s), "(\uFFFD)"},
        {"null object", one("\x00"s), nullptr},
        {"string running past the objects",
         one("\x5F\x10\x7F"
             "abc"s),
         nullptr},
        {"dictionary keyed by a number", binaryList({"\xD1\0\0\0\x01\0\0\0\x01"s, "\x10\x01"s}),
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectReadAs(c.bytes, c.description);
    }
}
