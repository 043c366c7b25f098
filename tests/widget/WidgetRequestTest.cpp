// The ticker request: which address the settings choose, what is sent, and what a failure does.
#include "WidgetFixture.h"

#include <algorithm>

namespace {

using WidgetRequest = WidgetFixture;

const std::string kEUR = "/api/2/BTCEUR/money/ticker";
const std::string kJPY = "/api/2/BTCJPY/money/ticker";

TEST_F(WidgetRequest, SendsAPlainGetForTheStoredCurrency) {
    device.setCurrency("EUR");
    peer.on(kEUR, test::HttpPeer::reply(200, "{}"));
    controller->DownloadData();
    ASSERT_TRUE(waitForConnections());
    ASSERT_EQ(peer.requests().size(), 1u);
    const test::HttpRequest request = peer.requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, kEUR);
    EXPECT_EQ(request.headers.at("host"), "market.marrowfin.invalid");
    // Nothing cached is offered for revalidation, and no body is sent.
    for (const char* header : {"if-modified-since", "if-none-match", "content-length", "cookie"})
        EXPECT_EQ(request.headers.count(header), 0u) << header;
    ASSERT_NE(controller->getURL(), nullptr);
    EXPECT_EQ(controller->getURL()->absoluteString(), "http://market.marrowfin.invalid" + kEUR);
}

TEST_F(WidgetRequest, EveryCurrencyOfTheTableHasItsPath) {
    const char* codes[] = {"USD", "GBP", "AUD", "CAD", "DKK", "CHF", "CNY", "EUR",
                           "HKD", "JPY", "NZD", "PLN", "RUB", "SEK", "SGD", "THB"};
    for (const char* code : codes) {
        SCOPED_TRACE(code);
        device.setCurrency(code);
        controller->DownloadData();
        ASSERT_NE(controller->getURL(), nullptr);
        EXPECT_EQ(controller->getURL()->absoluteString(),
                  std::string("http://market.marrowfin.invalid/api/2/BTC") + code +
                      "/money/ticker");
    }
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), std::size(codes));
}

TEST_F(WidgetRequest, AChangedCurrencyTakesEffectAtTheNextRequest) {
    peer.on(kEUR, test::HttpPeer::reply(200, "{}"));
    peer.on(kJPY, test::HttpPeer::reply(200, "{}"));
    device.setCurrency("EUR");
    controller->reload(nullptr);
    device.setCurrency("JPY");
    controller->reload(nullptr);
    ASSERT_TRUE(waitForConnections());
    std::vector<std::string> paths = pathsRequested();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{kEUR, kJPY}));
}

TEST_F(WidgetRequest, SettingsThatNameNoListedCodeKeepTheLastAddress) {
    peer.on(kEUR, test::HttpPeer::reply(200, "{}"));
    device.setCurrency("EUR");
    controller->DownloadData();
    ASSERT_TRUE(waitForConnections());

    struct Case {
        const char* name;
        std::string settings; // the whole file; empty: no file
    };
    auto plist = [](const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + body +
               "</dict></plist>";
    };
    const Case cases[] = {
        {"lower case", plist("<key>currency</key><string>eur</string>")},
        {"blanks around", plist("<key>currency</key><string> JPY</string>")},
        {"not in the table", plist("<key>currency</key><string>XBT</string>")},
        {"empty text", plist("<key>currency</key><string></string>")},
        {"a number", plist("<key>currency</key><integer>840</integer>")},
        {"a boolean", plist("<key>currency</key><true/>")},
        {"no currency entry", plist("<key>other</key><string>JPY</string>")},
        {"not a property list", "JPY"},
        {"root is an array", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>JPY"
                             "</string></array></plist>"},
        {"no file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.settings.empty())
            device.removeSettingsFile();
        else
            device.setSettingsFile(c.settings);
        std::size_t before = peer.requests().size();
        controller->DownloadData();
        ASSERT_TRUE(waitForConnections());
        ASSERT_EQ(peer.requests().size(), before + 1);
        EXPECT_EQ(peer.requests().back().path, kEUR);
    }
}

TEST_F(WidgetRequest, WithNoAddressEverChosenTheRequestFailsAndSaysWhy) {
    test::CaptureStderr log;
    controller->view();
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(controller->getURL(), nullptr);
    EXPECT_EQ(log.logMessages(), (std::vector<std::string>{"Connection failed: unsupported URL"}));
    EXPECT_TRUE(screen().waiting);
    EXPECT_EQ(peer.requests().size(), 0u);
}

TEST_F(WidgetRequest, AReplyThatIsNotHTTPIsLoggedInTheClientsWords) {
    device.setCurrency("EUR");
    peer.on(kEUR, [](const test::HttpRequest&, test::HttpConn& conn) {
        conn.send(tickerReply("a", "b", "c", "1", "d"));
        conn.close();
    });
    test::CaptureStderr log;
    controller->view();
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(log.logMessages(),
              (std::vector<std::string>{"Connection failed: Received HTTP/0.9 when not allowed"}));
    EXPECT_TRUE(screen().waiting);
}

TEST_F(WidgetRequest, FirstDisplayPutsTwoRequestsInFlight) {
    device.setCurrency("EUR");
    peer.on(kEUR, test::HttpPeer::reply(200, "{}"));
    controller->view();
    controller->viewDidAppear();
    EXPECT_EQ(URLLoading::connectionsInFlight(), 2u);
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), 2u);
}

TEST_F(WidgetRequest, AppearBeforeTheViewChangesNothingOnScreen) {
    device.setCurrency("EUR");
    peer.on(kEUR, test::HttpPeer::reply(200, tickerReply("a", "b", "c", "1", "d")));
    controller->viewDidAppear();
    ASSERT_TRUE(waitForConnections()); // the reply lands while the labels are empty
    controller->view();
    Screen shown = screen();
    EXPECT_TRUE(shown.waiting);
    EXPECT_EQ(shown.lines, (std::vector<std::string>{"", "", "", "", ""}));
    ASSERT_TRUE(waitForConnections()); // the view's own request
    EXPECT_EQ(peer.requests().size(), 2u);
    EXPECT_EQ(screen().lines[0], "Last price: a / BTC");
}

TEST_F(WidgetRequest, LettingGoMidRequestIsSafe) {
    device.setCurrency("EUR");
    peer.on(kEUR, [](const test::HttpRequest&, test::HttpConn& conn) {
        conn.sendSlowly(test::HttpPeer::response(200, tickerReply("a", "b", "c", "1", "d")), 4, 30);
    });
    controller->view();
    controller = nullptr; // the host lets go; the connection keeps the controller alive
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), 1u);
}

} // namespace
