// The pane's value store: getValueForSpecifier: and setValue:forSpecifier: as the settings
// app sends them, against real property-list files in a device root.
#include "CaptureStderr.h"
#include "PaneSupport.h"
#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>
#include <Preferences/PSSpecifier.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDomainFile = "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist";

std::string xmlPlist(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\"><dict>" +
           entries + "</dict></plist>\n";
}

// A binary property list of {TimeInterval = "30"; currency = "JPY"; volume = 7;}.
const std::string kBinaryPlist(
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd3\x01\x02\x03\x04\x05\x06\x5c\x54\x69\x6d\x65\x49\x6e\x74"
    "\x65\x72\x76\x61\x6c\x58\x63\x75\x72\x72\x65\x6e\x63\x79\x56\x76\x6f\x6c\x75\x6d\x65\x52\x33"
    "\x30\x53\x4a\x50\x59\x10\x07\x08\x0f\x1c\x25\x2c\x2f\x33\x00\x00\x00\x00\x00\x00\x01\x01\x00"
    "\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x35",
    92);

// Bytes that are no property list at all.
const std::string kGarbage = "this is not a property list\x01\x02";

class ValueStore : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceRoot::set(root.str());
        fs::create_directories(root.path() / "var/mobile/Library/Preferences");
        controller = test::makePaneController();
        ASSERT_TRUE(controller);
    }

    fs::path real(const std::string& phonePath) const { return DeviceRoot::resolve(phonePath); }

    // A specifier with "key" and "defaults" when they are given.
    static Ref<PSSpecifier> specifier(const char* key, const char* defaults) {
        auto row = make<PSSpecifier>();
        if (key)
            row->properties()->setObjectForKey(NSString::stringWithUTF8String(key).get(), "key");
        if (defaults)
            row->properties()->setObjectForKey(NSString::stringWithUTF8String(defaults).get(),
                                               "defaults");
        return row;
    }

    // What the getter answers: its text, or nothing.
    std::optional<std::string> get(PSSpecifier* row) {
        Ref<NSObject> value;
        EXPECT_TRUE(controller->performSelector("getValueForSpecifier:", row, nullptr, &value));
        if (!value)
            return std::nullopt;
        const NSString* text = NSCast<NSString>(value.get());
        EXPECT_TRUE(text) << "the getter answers text, not " << value->className();
        return text ? std::optional<std::string>(text->UTF8String()) : std::nullopt;
    }

    void set(NSObject* value, PSSpecifier* row) {
        EXPECT_TRUE(controller->performSelector("setValue:forSpecifier:", value, row));
    }

    test::TempDir root;
    Ref<PSListController> controller;
};

struct GetCase {
    const char* name;
    const char* key;      // null: the specifier has no "key"
    const char* defaults; // null: the specifier has no "defaults"
    const char* file;     // phone path of the fixture, null for none
    std::string content;
    std::optional<std::string> answer;
    std::vector<std::string> log;
};

TEST_F(ValueStore, GetterAnswersFixedKeysStoredValuesAndFallbacks) {
    const std::string domain = kDomainFile;
    const std::string stored = xmlPlist("<key>TemplateVersionExample</key><string>9.9</string>"
                                        "<key>NameOfAnExampleSetting</key><string>x</string>"
                                        "<key>currency</key><string>EUR</string>"
                                        "<key>count</key><integer>5</integer>");
    const GetCase cases[] = {
        {"template version is fixed, file unread",
         "TemplateVersionExample",
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         "1.0",
         {}},
        {"example setting is fixed, file unread",
         "NameOfAnExampleSetting",
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         "ValueOfAnExampleSetting",
         {}},
        {"TimeInterval missing falls back",
         "TimeInterval",
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         "10",
         {"key 'TimeInterval' not found in plist '" + domain + "'"}},
        {"TimeInterval stored",
         "TimeInterval",
         "org.marrowfin.prefs",
         kDomainFile,
         xmlPlist("<key>TimeInterval</key><string>30</string>"),
         "30",
         {"read key 'TimeInterval' with value '30' from plist '" + domain + "'"}},
        {"TimeInterval stored empty is a value",
         "TimeInterval",
         "org.marrowfin.prefs",
         kDomainFile,
         xmlPlist("<key>TimeInterval</key><string></string>"),
         "",
         {"read key 'TimeInterval' with value '' from plist '" + domain + "'"}},
        {"TimeInterval without defaults", "TimeInterval", nullptr, nullptr, "", "10", {}},
        {"other key without defaults", "currency", nullptr, nullptr, "", std::nullopt, {}},
        {"bare name, XML file",
         "currency",
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         "EUR",
         {"read key 'currency' with value 'EUR' from plist '" + domain + "'"}},
        {"bare name, binary file",
         "currency",
         "org.marrowfin.prefs",
         kDomainFile,
         kBinaryPlist,
         "JPY",
         {"read key 'currency' with value 'JPY' from plist '" + domain + "'"}},
        {"a number comes back as its text",
         "count",
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         "5",
         {"read key 'count' with value '5' from plist '" + domain + "'"}},
        {"absolute name gains .plist",
         "currency",
         "/opt/settings/custom",
         "/opt/settings/custom.plist",
         stored,
         "EUR",
         {"read key 'currency' with value 'EUR' from plist '/opt/settings/custom.plist'"}},
        {"name ending in .plist gains a second one",
         "currency",
         "org.marrowfin.prefs.plist",
         "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist.plist",
         stored,
         "EUR",
         {"read key 'currency' with value 'EUR' from plist "
          "'/var/mobile/Library/Preferences/org.marrowfin.prefs.plist.plist'"}},
        {"empty name is a file named .plist",
         "currency",
         "",
         "/var/mobile/Library/Preferences/.plist",
         stored,
         "EUR",
         {"read key 'currency' with value 'EUR' from plist "
          "'/var/mobile/Library/Preferences/.plist'"}},
        {"missing file",
         "currency",
         "org.marrowfin.prefs",
         nullptr,
         "",
         std::nullopt,
         {"key 'currency' not found in plist '" + domain + "'"}},
        {"unreadable file",
         "currency",
         "org.marrowfin.prefs",
         kDomainFile,
         kGarbage,
         std::nullopt,
         {"key 'currency' not found in plist '" + domain + "'"}},
        {"unreadable file, TimeInterval falls back",
         "TimeInterval",
         "org.marrowfin.prefs",
         kDomainFile,
         kGarbage,
         "10",
         {"key 'TimeInterval' not found in plist '" + domain + "'"}},
        {"specifier without key",
         nullptr,
         "org.marrowfin.prefs",
         kDomainFile,
         stored,
         std::nullopt,
         {"key '(null)' not found in plist '" + domain + "'"}},
    };
    for (const GetCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root.path() / "var");
        fs::remove_all(root.path() / "opt");
        if (c.file)
            test::writeFile(real(c.file), c.content);
        Ref<PSSpecifier> row = specifier(c.key, c.defaults);
        test::CaptureStderr log;
        EXPECT_EQ(get(row.get()), c.answer);
        EXPECT_EQ(log.logMessages(), c.log);
        // The specifier keeps its bare name: every call resolves it again.
        if (c.defaults) {
            EXPECT_EQ(row->propertyString("defaults"), c.defaults);
        }
    }
}

TEST_F(ValueStore, GetterReadsTheFileAnewAtEveryCall) {
    Ref<PSSpecifier> row = specifier("currency", "org.marrowfin.prefs");
    test::writeFile(real(kDomainFile), xmlPlist("<key>currency</key><string>USD</string>"));
    EXPECT_EQ(get(row.get()), "USD");
    test::writeFile(real(kDomainFile), xmlPlist("<key>currency</key><string>SEK</string>"));
    EXPECT_EQ(get(row.get()), "SEK");
    fs::remove(real(kDomainFile));
    EXPECT_EQ(get(row.get()), std::nullopt);
}

struct SetCase {
    const char* name;
    const char* key;
    const char* defaults;
    const char* value;                 // null: the setter is given no value
    std::optional<std::string> before; // the file's content before, none when absent
    // The dictionary the file holds after, as its description; "same" for the very bytes
    // of before; none when there is no file.
    std::optional<std::string> after;
    std::vector<std::string> log;
};

TEST_F(ValueStore, SetterStoresOneEntryAndSaysWhetherItSaved) {
    const std::string domain = kDomainFile;
    const std::string some = xmlPlist("<key>currency</key><string>USD</string>"
                                      "<key>other</key><string>keep</string>"
                                      "<key>count</key><integer>3</integer>");
    const SetCase cases[] = {
        {"missing file is created with the one entry",
         "currency",
         "org.marrowfin.prefs",
         "EUR",
         std::nullopt,
         "{currency = EUR;}",
         {"saved key 'currency' with value 'EUR' to plist '" + domain + "'"}},
        {"other entries are kept",
         "currency",
         "org.marrowfin.prefs",
         "EUR",
         some,
         "{count = 3; currency = EUR; other = keep;}",
         {"saved key 'currency' with value 'EUR' to plist '" + domain + "'"}},
        {"binary file in, other entries kept",
         "currency",
         "org.marrowfin.prefs",
         "CHF",
         kBinaryPlist,
         "{TimeInterval = 30; currency = CHF; volume = 7;}",
         {"saved key 'currency' with value 'CHF' to plist '" + domain + "'"}},
        {"TemplateVersionExample is stored like any key",
         "TemplateVersionExample",
         "org.marrowfin.prefs",
         "2.0",
         std::nullopt,
         "{TemplateVersionExample = 2.0;}",
         {"saved key 'TemplateVersionExample' with value '2.0' to plist '" + domain + "'"}},
        {"NameOfAnExampleSetting is refused silently",
         "NameOfAnExampleSetting",
         "org.marrowfin.prefs",
         "x",
         some,
         "same",
         {}},
        {"no defaults: nothing at all", "currency", nullptr, "EUR", some, "same", {}},
        {"unreadable file stays as it was",
         "currency",
         "org.marrowfin.prefs",
         "EUR",
         kGarbage,
         "same",
         {"could not save key 'currency' with value 'EUR' to plist '" + domain + "'"}},
        {"no value stores nothing",
         "currency",
         "org.marrowfin.prefs",
         nullptr,
         some,
         "same",
         {"could not save key 'currency' with value '(null)' to plist '" + domain + "'"}},
        {"no key stores nothing",
         nullptr,
         "org.marrowfin.prefs",
         "EUR",
         some,
         "same",
         {"could not save key '(null)' with value 'EUR' to plist '" + domain + "'"}},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(real(kDomainFile));
        if (c.before)
            test::writeFile(real(kDomainFile), *c.before);
        Ref<PSSpecifier> row = specifier(c.key, c.defaults);
        {
            test::CaptureStderr log;
            set(c.value ? NSString::stringWithUTF8String(c.value).get() : nullptr, row.get());
            EXPECT_EQ(log.logMessages(), c.log);
        }
        if (!c.after) {
            EXPECT_FALSE(fs::exists(real(kDomainFile)));
        } else if (*c.after == "same") {
            EXPECT_EQ(test::readFile(real(kDomainFile)), *c.before);
        } else {
            Ref<NSDictionary> file = NSDictionary::dictionaryWithContentsOfFile(kDomainFile);
            ASSERT_TRUE(file);
            EXPECT_EQ(file->description(), *c.after);
        }
    }
}

TEST_F(ValueStore, SetterResolvesTheNameAsTheGetterDoes) {
    const struct {
        const char* defaults;
        const char* file;
    } cases[] = {
        {"/opt/settings/custom", "/opt/settings/custom.plist"},
        {"org.marrowfin.prefs.plist",
         "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist.plist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.defaults);
        fs::create_directories(real(c.file).parent_path());
        Ref<PSSpecifier> row = specifier("currency", c.defaults);
        test::CaptureStderr log;
        set(NSString::stringWithUTF8String("GBP").get(), row.get());
        EXPECT_EQ(get(row.get()), "GBP");
        EXPECT_EQ(
            log.logMessages(),
            (std::vector<std::string>{
                std::string("saved key 'currency' with value 'GBP' to plist '") + c.file + "'",
                std::string("read key 'currency' with value 'GBP' from plist '") + c.file + "'"}));
    }
}

TEST_F(ValueStore, FailedWriteIsNotReportedAsSaved) {
    // No Preferences folder: the file cannot be written.
    fs::remove_all(root.path() / "var");
    Ref<PSSpecifier> row = specifier("currency", "org.marrowfin.prefs");
    test::CaptureStderr log;
    set(NSString::stringWithUTF8String("EUR").get(), row.get());
    EXPECT_EQ(
        log.logMessages(),
        (std::vector<std::string>{std::string("could not save key 'currency' with value 'EUR' to "
                                              "plist '") +
                                  kDomainFile + "'"}));
    EXPECT_FALSE(fs::exists(real(kDomainFile)));
}

TEST_F(ValueStore, StoredCurrencyIsWhatTheGetterAndTheFileHold) {
    Ref<PSSpecifier> row = specifier("currency", "org.marrowfin.prefs");
    set(NSString::stringWithUTF8String("EUR").get(), row.get());
    EXPECT_EQ(get(row.get()), "EUR");
    Ref<NSDictionary> file = NSDictionary::dictionaryWithContentsOfFile(kDomainFile);
    ASSERT_TRUE(file);
    const NSString* currency = NSCast<NSString>(file->objectForKey("currency"));
    ASSERT_TRUE(currency);
    EXPECT_EQ(currency->UTF8String(), "EUR");
}

} // namespace
