// The widget against a real HTTP server on loopback that answers well and badly.
#include "WidgetFixture.h"

#include "Gzip.h"

#include <chrono>

namespace {

using WidgetReplies = WidgetFixture;

const std::string kPath = "/api/2/BTCUSD/money/ticker";
const std::string kReply = tickerReply("$13.50", "$14.00", "$12.00", "742.6", "$13.10");
const std::vector<std::string> kShown = {"Last price: $13.50 / BTC", "High: $14.00 / BTC",
                                         "Low: $12.00 / BTC", "Volume: 743 BTC (24h)",
                                         "Average: $13.10 / BTC"};
const std::vector<std::string> kBlank = {"", "", "", "", ""};

std::string chunked(const std::string& body, std::size_t piece) {
    std::string out = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                      "Transfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < body.size(); at += piece) {
        std::string part = body.substr(at, piece);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", part.size());
        out += size + part + "\r\n";
    }
    return out + "0\r\n\r\n";
}

TEST_F(WidgetReplies, GoodAndBrokenReplies) {
    URLLoading::setIdleTimeoutForTesting(0.5);
    struct Case {
        const char* name;
        test::HttpPeer::Handler handler;
        std::vector<std::string> lines;
        bool waiting;
        std::string logPrefix; // empty: no log line
    };
    using Conn = test::HttpConn;
    using Request = test::HttpRequest;
    const std::string whole = test::HttpPeer::response(200, kReply);
    const Case cases[] = {
        {"a good reply", test::HttpPeer::reply(200, kReply), kShown, false, ""},
        {"chunked in pieces",
         [](const Request&, Conn& conn) { conn.sendSlowly(chunked(kReply, 7), 9, 5); }, kShown,
         false, ""},
        {"gzip",
         [](const Request& request, Conn& conn) {
             bool accepts = request.headers.count("accept-encoding") &&
                            request.headers.at("accept-encoding").find("gzip") != std::string::npos;
             std::string body = accepts ? test::gzip(kReply) : std::string("not offered gzip");
             conn.send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: "
                       "gzip\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n\r\n" + body);
         },
         kShown, false, ""},
        {"a redirect",
         [](const Request&, Conn& conn) {
             conn.send("HTTP/1.1 302 Found\r\nLocation: /moved\r\nContent-Length: 5\r\n\r\nmoved");
         },
         kShown, false, ""},
        {"500 with a text body", test::HttpPeer::reply(500, "internal error", "text/plain"), kBlank,
         true, ""},
        {"stalls", [](const Request&, Conn& conn) { conn.stall(); }, kBlank, true,
         "Connection failed: "},
        {"stalls after the headers",
         [&](const Request&, Conn& conn) {
             conn.send(whole.substr(0, whole.size() - kReply.size()));
             conn.stall();
         },
         kBlank, true, "Connection failed: "},
        {"reset mid-body",
         [&](const Request&, Conn& conn) {
             conn.send(whole.substr(0, whole.size() - 20));
             conn.reset();
         },
         kBlank, true, "Connection failed: "},
        {"cut short",
         [&](const Request&, Conn& conn) {
             conn.send(whole.substr(0, whole.size() - 20));
             conn.close();
         },
         kBlank, true, "Connection failed: "},
        {"closed without a reply", [](const Request&, Conn& conn) { conn.close(); }, kBlank, true,
         "Connection failed: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::HttpPeer server;
        server.on(kPath, c.handler);
        server.on("/moved", test::HttpPeer::reply(200, kReply));
        URLLoading::setConnectTo({server.connectTo()});
        device.setCurrency("USD");
        controller = make<MarrowfinController>();
        test::CaptureStderr log;
        controller->view();
        ASSERT_TRUE(waitForConnections());
        Screen shown = screen();
        EXPECT_EQ(shown.lines, c.lines);
        EXPECT_EQ(shown.waiting, c.waiting);
        std::vector<std::string> messages = log.logMessages();
        if (c.logPrefix.empty()) {
            EXPECT_TRUE(messages.empty()) << messages.front();
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].rfind(c.logPrefix, 0), 0u) << messages[0];
        }
    }
}

TEST_F(WidgetReplies, RefusedConnectionIsLogged) {
    // Nothing listens on port 1 of the loopback (a free port learnt from a closed peer could
    // be taken by a test running beside this one).
    URLLoading::setConnectTo({"::127.0.0.1:1"});
    device.setCurrency("USD");
    test::CaptureStderr log;
    controller->view();
    ASSERT_TRUE(waitForConnections());
    ASSERT_EQ(log.logMessages().size(), 1u);
    EXPECT_EQ(log.logMessages()[0].rfind("Connection failed: ", 0), 0u);
    EXPECT_TRUE(screen().waiting);
}

TEST_F(WidgetReplies, ATrickleNeverTimesOut) {
    URLLoading::setIdleTimeoutForTesting(0.5);
    device.setCurrency("USD");
    peer.on(kPath, [](const test::HttpRequest&, test::HttpConn& conn) {
        // Longer in all than the timeout, but never idle for as long.
        conn.sendSlowly(test::HttpPeer::response(200, kReply), 8, 200);
    });
    test::CaptureStderr log;
    controller->view();
    ASSERT_TRUE(waitForConnections());
    EXPECT_TRUE(log.logMessages().empty());
    EXPECT_EQ(screen().lines, kShown);
}

// The one test that waits a request's real timeout: the widget's ticker request fails after
// ten seconds without a byte.
TEST_F(WidgetReplies, AStalledReplyFailsAfterTenSeconds) {
    device.setCurrency("USD");
    peer.on(kPath, [](const test::HttpRequest&, test::HttpConn& conn) { conn.stall(); });
    test::CaptureStderr log;
    auto start = std::chrono::steady_clock::now();
    controller->view();
    ASSERT_TRUE(waitForConnections(20));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 9.9);
    EXPECT_LT(seconds, 15);
    ASSERT_EQ(log.logMessages().size(), 1u);
    EXPECT_EQ(log.logMessages()[0], "Connection failed: The request timed out.");
    EXPECT_TRUE(screen().waiting);
}

} // namespace
