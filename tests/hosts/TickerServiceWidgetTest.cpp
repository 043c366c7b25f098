// The real widget, in the real notification-panel host, reading the real ticker service's
// reply for every currency.
#include "DeviceFixture.h"
#include "HttpPeer.h"
#include "LiveFixtures.h"
#include "Process.h"
#include "ServiceProcess.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace {

struct CurrencyCase {
    const char* code;
    const char* mark; // something each price of this currency shows
};

const CurrencyCase kCurrencies[] = {
    {"USD", "$"},   {"GBP", "£"},  {"AUD", "$"},   {"CAD", "$"},  {"DKK", "kr"}, {"CHF", "CHF"},
    {"CNY", "¥"},   {"EUR", "€"},  {"HKD", "HK$"}, {"JPY", "￥"}, {"NZD", "$"},  {"PLN", "zł"},
    {"RUB", "₽"}, {"SEK", "kr"}, {"SGD", "$"},   {"THB", "฿"},
};

TEST(TickerServiceWidget, EveryCurrencyShowsItsFiveLines) {
    test::DeviceFixture device;
    device.installBundles();
    tickertest::ServiceProcess service({"--port", "0", "--seed", "11"});
    int port = service.waitForPort();
    ASSERT_GT(port, 0);
    const std::string connectTo = "::127.0.0.1:" + std::to_string(port);
    const std::regex volume(R"(Volume: \d+ BTC \(24h\))");
    for (const CurrencyCase& currency : kCurrencies) {
        SCOPED_TRACE(currency.code);
        device.setCurrency(currency.code);
        test::ProcessResult run =
            test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                              "--connect-to", connectTo, "--once"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        std::istringstream lines(run.out);
        std::vector<std::string> shown;
        for (std::string line; std::getline(lines, line);)
            shown.push_back(line);
        ASSERT_EQ(shown.size(), 5u) << run.out;
        const char* prefixes[] = {"Last price: ", "High: ", "Low: ", nullptr, "Average: "};
        for (int i : {0, 1, 2, 4}) {
            EXPECT_EQ(shown[i].rfind(prefixes[i], 0), 0u) << shown[i];
            EXPECT_TRUE(shown[i].ends_with(" / BTC")) << shown[i];
            EXPECT_NE(shown[i].find(currency.mark), std::string::npos) << shown[i];
            EXPECT_EQ(shown[i].find("(null)"), std::string::npos) << shown[i];
        }
        EXPECT_TRUE(std::regex_match(shown[3], volume)) << shown[3];
        if (std::string(currency.code) == "JPY") {
            EXPECT_EQ(shown[0].find('.'), std::string::npos) << "the yen has no decimals";
        }
    }
}

TEST(Demo, RunsEndToEndAndStopsWhatItStarted) {
    test::TempDir dir;
    const std::string root = (dir.path() / "device").string();
    const std::string png = (dir.path() / "widget.png").string();
    test::ProcessResult run = test::runProcess(
        {test::marrowfinProgram(), "demo", "--device-root", root, "--png", png, "--seed", "5"}, {},
        120);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("chose USD through the pane"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Last price: $"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Volume: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("picture: " + png + "\n"), std::string::npos) << run.out;

    // A real PNG of 632x220 pixels.
    std::string bytes = test::readFile(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    auto bigEndian = [&](std::size_t at) {
        return (unsigned(uint8_t(bytes[at])) << 24) | (unsigned(uint8_t(bytes[at + 1])) << 16) |
               (unsigned(uint8_t(bytes[at + 2])) << 8) | unsigned(uint8_t(bytes[at + 3]));
    };
    EXPECT_EQ(bigEndian(16), 632u);
    EXPECT_EQ(bigEndian(20), 220u);

    // A second run keeps the chosen currency and chooses nothing.
    test::ProcessResult again = test::runProcess(
        {test::marrowfinProgram(), "demo", "--device-root", root, "--png", png}, {}, 120);
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out.find("chose"), std::string::npos) << again.out;

    // Nothing it started is left running: no ticker service of this run's seed.
    test::ProcessResult left =
        test::runProcess({"/usr/bin/pgrep", "-f", "ticker-service.*--seed 5$"});
    EXPECT_EQ(left.exitCode, 1) << left.out;
}

TEST(Demo, LiveShowsTheExchangesPrice) {
    // The four sources, on a loopback peer.
    test::HttpPeer upstream;
    const std::pair<const char*, std::string> replies[] = {
        {"/0/public/Ticker", std::string(livefixture::kKraken)},
        {"/api/v2/ticker/btcusd/", std::string(livefixture::kBitstampUsd)},
        {"/api/v2/ticker/btceur/", std::string(livefixture::kBitstampEur)},
        {"/api/v2/ticker/btcgbp/", std::string(livefixture::kBitstampGbp)},
        {"/stats/eurofxref/eurofxref-daily.xml", std::string(livefixture::kEcb)},
        {"/scripts/XML_daily.asp", livefixture::kCbr},
    };
    for (const auto& [path, body] : replies)
        upstream.on(path, test::HttpPeer::reply(200, body));
    std::string args;
    for (const char* name : {"kraken", "bitstamp", "ecb", "cbr"})
        args += std::string(" --upstream ") + name + "=" + upstream.url("");
    setenv("MARROWFIN_DEMO_SERVICE_ARGS", args.c_str(), 1);

    test::TempDir dir;
    test::ProcessResult run = test::runProcess({test::marrowfinProgram(), "demo", "--live",
                                                "--device-root", (dir.path() / "device").string(),
                                                "--png", (dir.path() / "widget.png").string()},
                                               {}, 120);
    unsetenv("MARROWFIN_DEMO_SERVICE_ARGS");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Last price: $60,000.10 / BTC"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("High: $61,000.00 / BTC"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Volume: 1500 BTC (24h)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Average: $60,100.25 / BTC"), std::string::npos) << run.out;
}

TEST(Demo, UsageErrorsExit2) {
    // A device root of the test's own, in case a bad argument got as far as using it.
    test::TempDir root;
    struct Case {
        std::vector<std::string> args;
        const char* message; // part of the one line on stderr
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--seed"}, "--seed needs a whole number"},
        {{"--seed", "abc"}, "--seed needs a whole number"},
        {{"--seed", "-1"}, "--seed needs a whole number"},
        {{"--seed", "0x10"}, "--seed needs a whole number"},
        {{"--seed", "18446744073709551616"}, "--seed needs a whole number"},
        {{"--seed", "123456789012345678901"}, "--seed needs a whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> argv = {test::marrowfinProgram(), "demo", "--device-root",
                                         root.str()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        test::ProcessResult run = test::runProcess(argv);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(root.path())) << "nothing was installed";
    test::ProcessResult help = test::runProcess({test::marrowfinProgram(), "demo", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--interactive"), std::string::npos);
    EXPECT_NE(help.out.find("$MARROWFIN_DEVICE_ROOT"), std::string::npos) << help.out;
}

} // namespace
