// What the widget host can be made to hold by replies as large as a connection may deliver,
// run as a user runs it. The bounds catch a gross fault (a reader that makes an object per
// value, a buffer that grows with every overlapping tap); bench/run gives the figures.
#include "DeviceFixture.h"
#include "HttpPeer.h"
#include "Process.h"

#include <Foundation/NSURLConnection.h>

#include <gtest/gtest.h>

namespace {

constexpr std::size_t kLimit = NSURLConnection::maxBodyBytes;
constexpr long kMiB = 1024;

// Sanitizers keep freed memory in quarantine and shadow what is in use.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerFactor = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kSanitizerFactor = 4;
#else
constexpr long kSanitizerFactor = 1;
#endif
#else
constexpr long kSanitizerFactor = 1;
#endif

std::string repeatedUpTo(std::string head, const std::string& item, const std::string& tail) {
    std::string text = std::move(head);
    while (text.size() + item.size() + tail.size() <= kLimit)
        text += item;
    if (text.back() == ',')
        text.pop_back();
    return text + tail;
}

struct Hostile {
    const char* name;
    std::string body;
    int requests;  // started together; the peer answers none before all arrived
    long boundKiB; // without sanitizers
    std::string shown = "Please wait\n";
};

TEST(HostileReplies, TheHostStaysBounded) {
    std::string wideData = "{\"data\":{";
    for (std::size_t i = 0; wideData.size() + 20 < kLimit; ++i)
        wideData += "\"k" + std::to_string(i) + "\":0,";
    wideData.back() = '}';
    wideData += '}';
    const std::string brackets(kLimit, '[');
    const Hostile cases[] = {
        {"one reply opening arrays to the limit", brackets, 1, 128 * kMiB},
        {"one array of empty objects", repeatedUpTo("[", "{},", "]"), 1, 128 * kMiB},
        {"one array of zeros", repeatedUpTo("[", "0,", "]"), 1, 128 * kMiB},
        {"one \"data\" object with a member every 10 bytes", wideData, 1, 128 * kMiB,
         "Last price: (null) / BTC\nHigh: (null) / BTC\nLow: (null) / BTC\nVolume: 0 BTC (24h)\n"
         "Average: (null) / BTC\n"},
        {"sixteen overlapping replies opening arrays", brackets, 16, 512 * kMiB},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        test::DeviceFixture device;
        device.installBundles();
        device.setCurrency("USD");
        test::HttpPeer peer;
        peer.on("/api/2/BTCUSD/money/ticker", [&](const test::HttpRequest&, test::HttpConn& conn) {
            peer.waitForRequests(static_cast<std::size_t>(c.requests), 20);
            conn.send(test::HttpPeer::response(200, c.body, "text/plain"));
        });
        std::string script = "view\n";
        for (int i = 1; i < c.requests; ++i)
            script += "refresh\n";
        script += "wait 60\nlines\n";
        test::ProcessResult run =
            test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                              "--connect-to", peer.connectTo()},
                             script, 90);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.shown);
        EXPECT_LT(run.peakKiB, c.boundKiB * kSanitizerFactor) << run.peakKiB / kMiB << " MiB";
    }
}

} // namespace
