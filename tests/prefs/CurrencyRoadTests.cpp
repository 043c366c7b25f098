// A currency chosen in the Settings host reaches the widget's next request: the pane and
// the widget meet only in the settings file.
#include "DeviceFixture.h"
#include "HttpPeer.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CurrencyRoad, CodeSetInThePaneIsTheWidgetsNextRequest) {
    test::DeviceFixture device;
    device.installBundles();
    device.setCurrency("EUR");
    test::HttpPeer peer;
    for (const char* code : {"EUR", "JPY", "GBP"}) {
        peer.on(std::string("/api/2/BTC") + code + "/money/ticker",
                test::HttpPeer::reply(200, R"({"data":{}})"));
    }

    for (const char* code : {"JPY", "GBP"}) {
        SCOPED_TRACE(code);
        test::ProcessResult set =
            test::runProcess({test::marrowfinProgram(), "settings", "--device-root", device.root(),
                              "set", "currency", code});
        ASSERT_EQ(set.exitCode, 0) << set.err;

        std::size_t before = peer.requests().size();
        test::ProcessResult widget =
            test::runProcess({test::marrowfinProgram(), "widget", "--device-root", device.root(),
                              "--connect-to", peer.connectTo(), "--once"});
        ASSERT_EQ(widget.exitCode, 0) << widget.err;
        std::vector<test::HttpRequest> requests = peer.requests();
        ASSERT_GT(requests.size(), before);
        for (std::size_t i = before; i < requests.size(); ++i)
            EXPECT_EQ(requests[i].path, std::string("/api/2/BTC") + code + "/money/ticker");
    }
}

} // namespace
