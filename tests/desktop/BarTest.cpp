// `marrowfin bar`: the status-bar host, run as a bar runs it, against a scripted market.
#include "BarFormat.h"
#include "ChildProcess.h"
#include "DeviceFixture.h"
#include "Market.h"
#include "Process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

namespace {

using namespace std::chrono_literals;

const std::string kFiveLines = "Last price: $13.00 / BTC\nHigh: $14.00 / BTC\nLow: $12.00 / BTC\n"
                               "Volume: 743 BTC (24h)\nAverage: $13.00 / BTC";

class Bar : public ::testing::Test {
protected:
    Bar() {
        device.installBundles();
        device.setCurrency("USD");
    }

    std::unique_ptr<test::ChildProcess> start(std::vector<std::string> extra) {
        std::vector<std::string> argv = {test::marrowfinProgram(), "bar",
                                         "--device-root",          device.root(),
                                         "--connect-to",           market.peer.connectTo()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return std::make_unique<test::ChildProcess>(argv);
    }

    // The next waybar line, parsed; a null JSON value when none came.
    static nlohmann::json nextWaybar(test::ChildProcess& bar) {
        std::optional<std::string> line = bar.readLine();
        if (!line)
            return nullptr;
        return nlohmann::json::parse(*line);
    }

    test::DeviceFixture device;
    desktoptest::Market market;
};

TEST_F(Bar, EachFormatShowsTheWaitingTextThenTheTicker) {
    const struct {
        const char* format;
        std::vector<std::string> lines;
    } cases[] = {
        {"waybar",
         {R"({"text":"Please wait","tooltip":"Please wait","class":""})",
          nlohmann::json{
              {"text", "Last price: $13.00 / BTC"}, {"tooltip", kFiveLines}, {"class", ""}}
              .dump()}},
        {"i3bar",
         {R"({"version":1})", "[", R"([{"name":"marrowfin","full_text":"Please wait"}])",
          R"(,[{"name":"marrowfin","full_text":"Last price: $13.00 / BTC"}])"}},
        {"plain", {"Please wait", "Last price: $13.00 / BTC"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        auto bar = start({"--format", c.format, "--every", "3600"});
        for (const std::string& expected : c.lines) {
            std::optional<std::string> line = bar->readLine();
            ASSERT_TRUE(line) << bar->stderrText();
            if (std::string(c.format) == "waybar") // key order is free in JSON
                EXPECT_EQ(nlohmann::json::parse(*line), nlohmann::json::parse(expected));
            else
                EXPECT_EQ(*line, expected);
        }
    }
}

TEST_F(Bar, StaleAfterThreePeriodsWithoutAChangeThenFreshAgain) {
    const double period = 0.3;
    auto bar = start({"--every", std::to_string(period)});
    EXPECT_EQ(nextWaybar(*bar)["text"], "Please wait");
    EXPECT_EQ(nextWaybar(*bar)["class"], "");
    const auto lastChange = std::chrono::steady_clock::now();

    nlohmann::json stale = nextWaybar(*bar);
    const std::chrono::duration<double> quiet = std::chrono::steady_clock::now() - lastChange;
    EXPECT_EQ(stale["class"], "stale");
    EXPECT_EQ(stale["text"], "Last price: $13.00 / BTC");
    // The widget appeared at the end of each period: two requests at the start, then one a
    // period, and the stale line came only once the third period had ended.
    EXPECT_GE(market.peer.requests().size(), 4u);
    EXPECT_GE(quiet.count(), 2 * period);

    market.price = 15;
    nlohmann::json fresh = nextWaybar(*bar);
    EXPECT_EQ(fresh["class"], "");
    EXPECT_EQ(fresh["text"], "Last price: $15.00 / BTC");
}

TEST_F(Bar, Usr1TapsRefresh) {
    auto bar = start({"--format", "plain", "--every", "3600"});
    EXPECT_EQ(bar->readLine(), "Please wait");
    EXPECT_EQ(bar->readLine(), "Last price: $13.00 / BTC");
    ASSERT_TRUE(market.peer.waitForRequests(2, 30));
    market.price = 20;
    bar->signal(SIGUSR1);
    // One more request (the panel's second one may still be answered at the new price).
    ASSERT_TRUE(market.peer.waitForRequests(3, 30));
    EXPECT_EQ(bar->readLine(), "Last price: $20.00 / BTC");
    EXPECT_EQ(market.peer.requests().size(), 3u);
}

TEST_F(Bar, EndsCleanlyOnASignalOrWhenTheBarStopsReading) {
    const struct {
        const char* name;
        std::function<void(test::ChildProcess&)> end;
    } cases[] = {
        {"SIGTERM", [](test::ChildProcess& bar) { bar.signal(SIGTERM); }},
        {"SIGINT", [](test::ChildProcess& bar) { bar.signal(SIGINT); }},
        {"output closed",
         [this](test::ChildProcess& bar) {
             // The next line it writes finds no reader.
             bar.closeOutput();
             market.price = market.price + 1;
             bar.signal(SIGUSR1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bar = start({"--format", "plain", "--every", "3600"});
        ASSERT_EQ(bar->readLine(), "Please wait");
        ASSERT_TRUE(bar->readLine());
        c.end(*bar);
        EXPECT_EQ(bar->waitForExit(), 0);
        EXPECT_EQ(bar->stderrText().find("marrowfin bar:"), std::string::npos) << bar->stderrText();
    }
}

TEST(BarCommandLine, UsageErrorsExit2AndAMissingWidgetExits1) {
    test::DeviceFixture empty; // no bundles
    const struct {
        std::vector<std::string> args;
        int exit;
    } cases[] = {
        {{"--format", "xml"}, 2}, {{"--every", "0"}, 2}, {{"--every", "-5"}, 2},
        {{"--every", "soon"}, 2}, {{"--bogus"}, 2},      {{"--device-root", empty.root()}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        std::vector<std::string> argv = {test::marrowfinProgram(), "bar"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        test::ProcessResult run = test::runProcess(argv, {}, 30);
        EXPECT_EQ(run.exitCode, c.exit);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    test::ProcessResult help = test::runProcess({test::marrowfinProgram(), "bar", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("SIGUSR1"), std::string::npos) << help.out;
}

TEST(BarFormat, EveryLineIsOneLineOfItsFormat) {
    // Texts as a market could make them: a quote, a newline, a control character.
    const std::vector<std::string> lines = {"Last \"price\"\n$1\x01", "High: 2"};
    const std::string waybar = BarFormat::statusLine(BarFormat::Kind::Waybar, lines, true, true);
    const std::string i3bar = BarFormat::statusLine(BarFormat::Kind::I3bar, lines, true, false);
    const std::string plain = BarFormat::statusLine(BarFormat::Kind::Plain, lines, false, true);
    for (const std::string& line : {waybar, i3bar, plain}) {
        SCOPED_TRACE(line);
        ASSERT_TRUE(line.ends_with('\n'));
        EXPECT_EQ(line.find('\n'), line.size() - 1);
    }
    nlohmann::json parsed = nlohmann::json::parse(waybar);
    EXPECT_EQ(parsed["text"], lines[0]);
    EXPECT_EQ(parsed["tooltip"], lines[0] + "\n" + lines[1]);
    EXPECT_EQ(parsed["class"], "stale");
    parsed = nlohmann::json::parse(i3bar.substr(1)); // after the separating comma
    EXPECT_EQ(parsed[0]["full_text"], lines[0]);
    EXPECT_TRUE(parsed[0].contains("color")) << "a stale block is greyed";
    EXPECT_EQ(plain, "Last \"price\" $1 \n");
    // No visible line at all: an empty text, never a crash.
    EXPECT_EQ(BarFormat::statusLine(BarFormat::Kind::Plain, {}, false, true), "\n");
}

} // namespace
