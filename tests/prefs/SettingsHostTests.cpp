// `marrowfin-settings`, run as a child process on a device root of the test's own.
#include "PaneSupport.h"
#include "Process.h"
#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kProgram = test::buildDir() / "libexec/marrowfin/marrowfin-settings";
constexpr const char* kDomainFile = "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist";

class SettingsHost : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceRoot::set(root.str());
        test::installPane(root.path());
    }

    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {kProgram.string(), "--device-root", root.str()});
        return test::runProcess(args);
    }

    // The currency the settings file holds, or empty.
    std::string storedCurrency() {
        Ref<NSDictionary> file = NSDictionary::dictionaryWithContentsOfFile(kDomainFile);
        const NSString* currency =
            file ? NSCast<NSString>(file->objectForKey("currency")) : nullptr;
        return currency ? currency->UTF8String() : std::string();
    }

    test::TempDir root;
};

std::string listLine(const std::string& value) {
    return "{\"cell\":\"PSLinkListCell\",\"label\":\"Currency\",\"key\":\"currency\",\"value\":" +
           value + "}";
}

TEST_F(SettingsHost, ListShowsEveryRowWithTheCurrentValue) {
    test::ProcessResult before = run({"list"});
    EXPECT_EQ(before.exitCode, 0) << before.err;
    std::vector<std::string> rows = test::lines(before.out);
    ASSERT_EQ(rows.size(), 6u) << before.out;
    EXPECT_EQ(rows[0], "{\"cell\":\"PSGroupCell\",\"label\":\"Currency\"}");
    EXPECT_EQ(rows[1], listLine("null"));
    EXPECT_EQ(rows[3], "{\"cell\":\"PSButtonCell\",\"label\":\"Follow on Twitter\"}");
    EXPECT_EQ(rows[4], "{\"cell\":\"PSButtonCell\",\"label\":\"Visit Web Site\"}");
    EXPECT_EQ(rows[5], "{\"cell\":\"PSButtonCell\",\"label\":\"Make a Donation\"}");

    ASSERT_EQ(run({"set", "currency", "EUR"}).exitCode, 0);
    std::vector<std::string> after = test::lines(run({"list"}).out);
    ASSERT_EQ(after.size(), 6u);
    EXPECT_EQ(after[1], listLine("\"EUR\""));
}

TEST_F(SettingsHost, ListEscapesTextsForJson) {
    // A pane whose label holds a quote, a backslash and a control character.
    test::writeFile(root.path() /
                        "Library/PreferenceBundles/MarrowfinPrefs.bundle/MarrowfinPrefs.plist",
                    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>items</key><array>"
                    "<dict><key>cell</key><string>PSGroupCell</string>"
                    "<key>label</key><string>say \"hi\" \\ now\t</string></dict>"
                    "</array></dict></plist>");
    test::ProcessResult result = run({"list"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "{\"cell\":\"PSGroupCell\",\"label\":\"say \\\"hi\\\" \\\\ now\\t\"}\n");
}

TEST_F(SettingsHost, SetStoresTheCodeWhereTheWidgetReadsIt) {
    test::ProcessResult set = run({"set", "currency", "JPY"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "");
    EXPECT_EQ(storedCurrency(), "JPY");
    // The pane's own log lines go to stderr.
    EXPECT_NE(set.err.find("saved key 'currency' with value 'JPY' to plist '" +
                           std::string(kDomainFile) + "'"),
              std::string::npos)
        << set.err;

    test::ProcessResult get = run({"get", "currency"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, "JPY\n");
}

TEST_F(SettingsHost, RefusalsAndTheirStatuses) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* errorPart; // in the one stderr line of the host
    } cases[] = {
        {"get without a value", {"get", "currency"}, 1, nullptr},
        {"get of an unknown key",
         {"get", "volume"},
         2,
         "no row has the key 'volume'; the keys are currency"},
        {"set of an unknown key",
         {"set", "volume", "1"},
         2,
         "no row has the key 'volume'; the keys are currency"},
        {"set of a code in lower case",
         {"set", "currency", "jpy"},
         2,
         "the choices are USD, GBP, AUD, CAD, DKK, CHF, CNY, EUR, HKD, JPY, NZD, PLN, RUB, SEK, "
         "SGD, THB"},
        {"set of an unlisted code", {"set", "currency", "XBT"}, 2, "'XBT' is not a choice"},
        {"tap of an unknown label",
         {"tap", "Nothing", "--no-browser"},
         2,
         "no button row is labelled 'Nothing'; the buttons are Follow on Twitter, Visit Web "
         "Site, Make a Donation"},
        {"tap of a row that is no button",
         {"tap", "Currency", "--no-browser"},
         2,
         "no button row is labelled 'Currency'; the buttons are Follow on Twitter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ProcessResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.status);
        EXPECT_EQ(result.out, "");
        std::vector<std::string> hostLines;
        for (const std::string& line : test::lines(result.err)) {
            if (line.starts_with("marrowfin settings: "))
                hostLines.push_back(line);
        }
        if (c.errorPart) {
            ASSERT_EQ(hostLines.size(), 1u) << result.err;
            EXPECT_NE(hostLines[0].find(c.errorPart), std::string::npos) << hostLines[0];
        } else {
            EXPECT_TRUE(hostLines.empty()) << result.err;
        }
        EXPECT_EQ(storedCurrency(), "") << "nothing was stored";
    }
}

TEST_F(SettingsHost, SetThatCannotSaveExitsOne) {
    // A folder where the settings file would be: it cannot be read or replaced.
    fs::create_directories(DeviceRoot::resolve(kDomainFile));
    test::ProcessResult result = run({"set", "currency", "EUR"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("could not save key 'currency' with value 'EUR'"), std::string::npos)
        << result.err;
    EXPECT_TRUE(fs::is_directory(DeviceRoot::resolve(kDomainFile)));

    // No Preferences folder at all: the write fails.
    fs::remove_all(root.path() / "var");
    EXPECT_EQ(run({"set", "currency", "EUR"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(root.path() / "var"));
}

TEST_F(SettingsHost, TapPrintsTheAddressTheLinkOpens) {
    const struct {
        const char* label;
        const char* address;
    } links[] = {
        {"Follow on Twitter", "https://twitter.com/marrowfin"},
        {"Visit Web Site", "http://marrowfin.org"},
        {"Make a Donation",
         "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=MARROWFIN0001"},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.label);
        test::ProcessResult result = run({"tap", link.label, "--no-browser"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, std::string("open ") + link.address + "\n");
    }
}

TEST_F(SettingsHost, TapOutsideADesktopSessionStartsNoBrowser) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name); value && *value)
            GTEST_SKIP() << name << " is set: this would start a browser";
    }
    test::ProcessResult result = run({"tap", "Visit Web Site"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "open http://marrowfin.org\n");
}

TEST_F(SettingsHost, MissingOrBrokenPaneIsOneLineAndExitOne) {
    const fs::path bundle = root.path() / "Library/PreferenceBundles/MarrowfinPrefs.bundle";
    const std::string hint = "(run `marrowfin install` first)";
    const struct {
        const char* name;
        void (*breakIt)(const fs::path& root, const fs::path& bundle);
        std::string message; // part of the one line on stderr
    } cases[] = {
        {"no entry",
         [](const fs::path& r, const fs::path&) {
             fs::remove(r / "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist");
         },
         "no pane registered: " + (root.path() / "Library/PreferenceLoader").string()},
        {"an entry naming no bundle",
         [](const fs::path& r, const fs::path&) {
             test::writeFile(r / "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist",
                             "<plist version=\"1.0\"><dict></dict></plist>");
         },
         "names no bundle " + hint},
        {"no bundle", [](const fs::path&, const fs::path& b) { fs::remove_all(b); }, hint},
        {"no Info.plist", [](const fs::path&, const fs::path& b) { fs::remove(b / "Info.plist"); },
         "Info.plist is missing " + hint},
        {"an Info.plist that is no property list",
         [](const fs::path&, const fs::path& b) { test::writeFile(b / "Info.plist", "garbage"); },
         "Info.plist is not a property list"},
        {"no executable",
         [](const fs::path&, const fs::path& b) { fs::remove(b / "MarrowfinPrefs"); },
         "executable missing"},
        {"executable that is no library",
         [](const fs::path&, const fs::path& b) {
             test::writeFile(b / "MarrowfinPrefs", "garbage");
         },
         "MarrowfinPrefs"},
        // The pane's log says what is wrong with its list; the host adds no second line.
        {"no specifier list",
         [](const fs::path&, const fs::path& b) { fs::remove(b / "MarrowfinPrefs.plist"); },
         "no MarrowfinPrefs.plist in"},
        {"a specifier list that is no property list",
         [](const fs::path&, const fs::path& b) {
             test::writeFile(b / "MarrowfinPrefs.plist", "<plist><dict>");
         },
         "MarrowfinPrefs.plist is not a property-list dictionary"},
        {"a specifier list without items",
         [](const fs::path&, const fs::path& b) {
             test::writeFile(b / "MarrowfinPrefs.plist",
                             "<plist version=\"1.0\"><dict></dict></plist>");
         },
         "has no \"items\" array"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::installPane(root.path());
        c.breakIt(root.path(), bundle);
        test::ProcessResult result = run({"list"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(test::lines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST_F(SettingsHost, UsageErrorsAreOneLineAndExitTwo) {
    const struct {
        std::vector<std::string> args;
        const char* message; // part of the one line on stderr
    } cases[] = {
        {{}, "subcommand"},
        {{"frobnicate"}, "unknown subcommand 'frobnicate' (subcommands: list, get, set, tap)"},
        {{"frobnicate", "currency"}, "unknown subcommand 'frobnicate'"},
        {{"get"}, "KEY"},
        {{"set", "currency"}, "VALUE"},
        {{"tap"}, "LABEL"},
        {{"list", "--colour"}, "--colour"},
        {{"--device-root", "", "list"}, "the device root cannot be empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        test::ProcessResult result = run(c.args);
        EXPECT_EQ(result.exitCode, 2);
        ASSERT_EQ(test::lines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    test::ProcessResult help = test::runProcess({kProgram.string(), "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("tap"), std::string::npos);
    EXPECT_NE(help.out.find("$MARROWFIN_DEVICE_ROOT"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("marrowfin/device"), std::string::npos) << help.out;
}

// `get` prints one line, whatever the stored value holds.
TEST_F(SettingsHost, GetShowsAValueOnOneLine) {
    test::writeFile(DeviceRoot::resolve(kDomainFile),
                    "<plist version=\"1.0\"><dict><key>currency</key>"
                    "<string>EU\\R&#10;next</string></dict></plist>");
    test::ProcessResult get = run({"get", "currency"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out, "EU\\\\R\\nnext\n");
}

} // namespace
