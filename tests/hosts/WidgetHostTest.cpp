// `marrowfin widget`: the notification panel's command language, run as a user runs it.
#include "DeviceFixture.h"
#include "HttpPeer.h"
#include "Process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const std::string kReply =
    R"({"data":{"last":{"display":"$13.50"},"high":{"display":"$14.00"},"low":{"display":"$12.00"},)"
    R"("vol":{"value":"742.6"},"avg":{"display":"$13.10"}}})";
const std::string kLines = "Last price: $13.50 / BTC\nHigh: $14.00 / BTC\nLow: $12.00 / BTC\n"
                           "Volume: 743 BTC (24h)\nAverage: $13.10 / BTC\n";

class WidgetHost : public ::testing::Test {
protected:
    WidgetHost() {
        device.installBundles();
        device.setCurrency("USD");
        peer.on("/api/2/BTCUSD/money/ticker", test::HttpPeer::reply(200, kReply));
    }

    test::ProcessResult widget(std::vector<std::string> extra, const std::string& input = {}) {
        std::vector<std::string> argv = {test::marrowfinProgram(), "widget",
                                         "--device-root",          device.root(),
                                         "--connect-to",           peer.connectTo()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return test::runProcess(argv, input);
    }

    test::DeviceFixture device;
    test::HttpPeer peer;
};

TEST_F(WidgetHost, OncePrintsTheFiveLines) {
    test::ProcessResult run = widget({"--once"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kLines);
    EXPECT_EQ(peer.requests().size(), 2u); // the first display makes two
}

TEST_F(WidgetHost, LinesBeforeTheReplyShowTheWaitingText) {
    test::ProcessResult run = widget({}, "view\nlines\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Please wait\n");
}

TEST_F(WidgetHost, DumpShowsTheTreeAndWhatIsInFlight) {
    test::ProcessResult run = widget({}, "dump\n# a comment\n\nview\ndump\nwait\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string before, pending, after;
    std::getline(lines, before);
    std::getline(lines, pending);
    std::getline(lines, after);

    auto empty = nlohmann::json::parse(before);
    EXPECT_EQ(empty["height"], 110);
    EXPECT_EQ(empty["inFlight"], 0);
    EXPECT_TRUE(empty["view"].is_null());

    auto first = nlohmann::json::parse(pending);
    EXPECT_EQ(first["inFlight"], 1);
    auto view = first["view"];
    EXPECT_EQ(view["class"], "UIView");
    EXPECT_EQ(view["frame"], nlohmann::json::parse("[2,0,316,110]"));
    ASSERT_EQ(view["subviews"].size(), 8u);
    EXPECT_EQ(view["subviews"][0]["image"],
              "/System/Library/WeeAppPlugins/Marrowfin.bundle/Background.png");
    EXPECT_EQ(view["subviews"][4]["text"], "Please wait");
    EXPECT_EQ(view["subviews"][4]["textColor"], nlohmann::json::parse("[1,1,1,1]"));
    EXPECT_EQ(view["subviews"][4]["backgroundColor"], nlohmann::json::parse("[0,0,0,0]"));
    EXPECT_EQ(view["subviews"][4]["textAlignment"], 1);
    EXPECT_EQ(view["subviews"][7]["class"], "UIButton");
    EXPECT_EQ(view["subviews"][7]["frame"], nlohmann::json::parse("[-4,0,66,114]"));

    auto done = nlohmann::json::parse(after);
    EXPECT_EQ(done["inFlight"], 0);
    EXPECT_EQ(done["view"]["subviews"][4]["hidden"], true);
    EXPECT_EQ(done["view"]["subviews"][1]["text"], "Last price: $13.50 / BTC");
}

TEST_F(WidgetHost, RefreshAndTapStartRequests) {
    test::ProcessResult run =
        widget({}, "show\nwait\nrefresh\nwait\ntap 10 10\nwait\ntap 300 50\nwait\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(peer.requests().size(), 4u); // show makes two; the tap at 300,50 hits no button
}

TEST_F(WidgetHost, ReleaseMidRequestLetsTheRequestFinish) {
    test::ProcessResult run = widget({}, "show\nrelease\nwait\ndump\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "{\"height\":null,\"inFlight\":0,\"view\":null}\n");
}

TEST_F(WidgetHost, ScriptFileRunsLikeAPipe) {
    test::TempDir dir;
    test::writeFile(dir.path() / "session", "show\nwait 5\nlines\nquit\nlines\n");
    test::ProcessResult run = widget({"--script", (dir.path() / "session").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kLines); // nothing after quit
}

TEST_F(WidgetHost, BadCommandsEndAScriptedSession) {
    struct Case {
        const char* input;
        const char* message; // part of the one line on stderr
    };
    const Case cases[] = {
        {"frobnicate\nlines\n", "unknown command 'frobnicate'"},
        {"tap 1\n", "usage: tap X Y"},
        {"tap one two\n", "usage: tap X Y"},
        {"wait -1\n", "usage: wait [SECONDS]"},
        {"wait 1 2\n", "usage: wait [SECONDS]"},
        {"show now\n", "usage: show"},
        {"sleep\n", "usage: sleep SECONDS"},
        {"png\n", "usage: png FILE"},
        {"tap 1 1\n", "no view yet"},
        {"release\nshow\n", "released"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        test::ProcessResult run = widget({}, c.input);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(WidgetHost, MissingOrBrokenBundleIsOneLineAndExit1) {
    struct Case {
        const char* name;
        std::function<void(const test::DeviceFixture&)> damage;
        const char* message;
    };
    const std::string bundle = "/System/Library/WeeAppPlugins/Marrowfin.bundle";
    const Case cases[] = {
        {"no bundle",
         [&](const test::DeviceFixture& d) { std::filesystem::remove_all(d.real(bundle)); },
         "no bundle"},
        {"no executable",
         [&](const test::DeviceFixture& d) {
             std::filesystem::remove(d.real(bundle + "/Marrowfin"));
         },
         "executable missing"},
        {"executable is not a library",
         [&](const test::DeviceFixture& d) {
             test::writeFile(d.real(bundle + "/Marrowfin"), "junk");
         },
         "Marrowfin"},
        {"Info.plist unreadable",
         [&](const test::DeviceFixture& d) {
             test::writeFile(d.real(bundle + "/Info.plist"), "junk");
         },
         "Info.plist"},
        {"principal class unknown",
         [&](const test::DeviceFixture& d) {
             std::string info = test::readFile(d.real(bundle + "/Info.plist"));
             info.replace(info.find("<string>MarrowfinController</string>"),
                          std::string("<string>MarrowfinController</string>").size(),
                          "<string>NoSuchController</string>");
             test::writeFile(d.real(bundle + "/Info.plist"), info);
         },
         "NoSuchController"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DeviceFixture fresh;
        fresh.installBundles();
        c.damage(fresh);
        test::ProcessResult run = test::runProcess(
            {test::marrowfinProgram(), "widget", "--device-root", fresh.root(), "--once"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST_F(WidgetHost, UsageErrorsAreOneLineAndExit2) {
    struct Case {
        std::vector<std::string> args; // after `marrowfin`
        const char* message;           // part of the one line on stderr
    };
    const std::string root = device.root();
    const Case cases[] = {
        {{}, "usage: marrowfin <command> [options] (see marrowfin --help)"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"help", "frobnicate"}, "unknown command 'frobnicate'"},
        {{"widget", "--device-root", root, "--no-such-flag"}, "--no-such-flag"},
        {{"widget", "--device-root", ""}, "the device root cannot be empty"},
        {{"widget", "--device-root", root, "--connect-to", "bad"}, "'bad' is not H1:P1:H2:P2"},
        {{"widget", "--device-root", root, "--connect-to", "x:y:z:w:v"},
         "'x:y:z:w:v' is not H1:P1:H2:P2"},
        {{"widget", "--device-root", root, "--connect-to", "::127.0.0.1:notaport"},
         "'notaport' is no port"},
        {{"widget", "--device-root", root, "--connect-to", "host:0:127.0.0.1:80"},
         "'0' is no port"},
        {{"widget", "--device-root", root, "--connect-to", "h:80:127.0.0.1:65536"},
         "'65536' is no port"},
        {{"widget", "--device-root", root, "--connect-to", "[::1:80:127.0.0.1:80"},
         "is not H1:P1:H2:P2"},
        {{"widget", "--device-root", root, "--connect-to", "a b:80:127.0.0.1:80"},
         "'a b' is no host name"},
        // One good value does not let a bad one after it pass.
        {{"widget", "--device-root", root, "--connect-to", "::127.0.0.1:1", "bad"},
         "'bad' is not H1:P1:H2:P2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> argv = {test::marrowfinProgram()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        test::ProcessResult run = test::runProcess(argv);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST_F(WidgetHost, ConnectToTakesCurlsForms) {
    // A bracketed IPv6 address and empty fields; each run's request goes nowhere (port 1).
    for (const char* value :
         {"::127.0.0.1:1", "market.marrowfin.invalid:80:127.0.0.1:1", "[::1]:80:[::1]:1", ":::1"}) {
        SCOPED_TRACE(value);
        test::ProcessResult run =
            test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                              "--connect-to", value, "--once"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "Please wait\n");
    }
}

TEST_F(WidgetHost, HelpNamesTheOptionsAndTheDefaultDeviceRoot) {
    test::ProcessResult help = test::runProcess({test::marrowfinProgram(), "widget", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* part : {"--connect-to H1:P1:H2:P2", "--script FILE", "--device-root DIR",
                             "$MARROWFIN_DEVICE_ROOT", "/marrowfin/device", "tap X Y",
                             "wait [SECONDS]", "png FILE", "quit"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part << " in " << help.out;

    // `marrowfin help widget` is the same text.
    test::ProcessResult viaHelp = test::runProcess({test::marrowfinProgram(), "help", "widget"});
    EXPECT_EQ(viaHelp.exitCode, 0);
    EXPECT_EQ(viaHelp.out, help.out);

    test::ProcessResult install = test::runProcess({test::marrowfinProgram(), "install", "--help"});
    EXPECT_EQ(install.exitCode, 0);
    EXPECT_NE(install.out.find("$MARROWFIN_DEVICE_ROOT"), std::string::npos) << install.out;
}

// A text with a NUL or a newline in it keeps its whole line in `lines` and in `dump`.
TEST_F(WidgetHost, TextsWithControlCharactersStayOnTheirLine) {
    peer.on("/api/2/BTCUSD/money/ticker",
            test::HttpPeer::reply(
                200, R"({"data":{"last":{"display":"a\u0000b"},"high":{"display":"c\nd\\e"},)"
                     R"("low":{"display":"l"},"vol":{"value":"1"},"avg":{"display":"v"}}})"));
    test::ProcessResult run = widget({}, "show\nwait\nlines\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "Last price: a\\x00b / BTC");
    EXPECT_EQ(lines[1], "High: c\\nd\\\\e / BTC");
    auto dump = nlohmann::json::parse(lines[5]);
    std::vector<std::string> texts;
    for (const auto& view : dump["view"]["subviews"]) {
        if (view.contains("text") && view["text"].is_string())
            texts.push_back(view["text"]);
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::string("Last price: a\0b / BTC", 21)),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "High: c\nd\\e / BTC"), texts.end());
}

TEST_F(WidgetHost, FailedConnectionsAreLoggedNotFatal) {
    test::ProcessResult run =
        test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                          "--connect-to", "::127.0.0.1:1", "--once"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Please wait\n");
    EXPECT_NE(run.err.find("Connection failed: "), std::string::npos) << run.err;
}

TEST(Install, LaysTheBundlesOutAndIsIdempotent) {
    test::TempDir root;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        test::ProcessResult run =
            test::runProcess({test::marrowfinProgram(), "install", "--device-root", root.str()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const char* path :
             {"System/Library/WeeAppPlugins/Marrowfin.bundle/Marrowfin",
              "System/Library/WeeAppPlugins/Marrowfin.bundle/Info.plist",
              "System/Library/WeeAppPlugins/Marrowfin.bundle/Background.png",
              "System/Library/WeeAppPlugins/Marrowfin.bundle/refresh@2x.png",
              "Library/PreferenceBundles/MarrowfinPrefs.bundle/MarrowfinPrefs",
              "Library/PreferenceBundles/MarrowfinPrefs.bundle/MarrowfinPrefs.plist",
              "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist"})
            EXPECT_TRUE(std::filesystem::is_regular_file(root.path() / path)) << path;
        EXPECT_TRUE(std::filesystem::is_directory(root.path() / "var/mobile/Library/Preferences"));
    }
}

TEST(Install, ReplacesAnExecutableByRenameAndLeavesSettingsAlone) {
    test::TempDir root;
    ASSERT_EQ(test::runProcess({test::marrowfinProgram(), "install", "--device-root", root.str()})
                  .exitCode,
              0);
    auto executable = root.path() / "System/Library/WeeAppPlugins/Marrowfin.bundle/Marrowfin";
    auto settings = root.path() / "var/mobile/Library/Preferences/org.marrowfin.prefs.plist";
    test::writeFile(settings, "user data");
    // A stale executable, as a running host might have it loaded: it is replaced by a new file,
    // not written over, so an open handle keeps seeing the old bytes.
    test::writeFile(executable, "old build");
    std::ifstream held(executable, std::ios::binary);
    ASSERT_EQ(test::runProcess({test::marrowfinProgram(), "install", "--device-root", root.str()})
                  .exitCode,
              0);
    std::string seen((std::istreambuf_iterator<char>(held)), std::istreambuf_iterator<char>());
    EXPECT_EQ(seen, "old build");
    EXPECT_NE(test::readFile(executable), "old build");
    EXPECT_EQ(test::readFile(settings), "user data");
}

} // namespace
