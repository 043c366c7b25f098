// The response buffer that every running connection of the controller shares.
#include "WidgetFixture.h"

#include <atomic>
#include <future>

namespace {

using WidgetBuffer = WidgetFixture;

Ref<NSData> bytes(std::string_view text) {
    return NSData::dataWithBytes(text.data(), text.size());
}

std::string contents(MarrowfinController* controller) {
    NSMutableData* buffer = controller->getResponseData();
    return buffer ? std::string(buffer->view()) : std::string("<no buffer>");
}

TEST_F(WidgetBuffer, ChunksAppendAndEachResponseEmptiesIt) {
    controller->setResponseData(NSMutableData::data().get());
    controller->connectionDidReceiveResponse(nullptr, nullptr);
    controller->connectionDidReceiveData(nullptr, bytes("abc").get());
    controller->connectionDidReceiveData(nullptr, bytes("defg").get());
    EXPECT_EQ(contents(controller.get()), "abcdefg");
    // A second response notice on the same connection starts over.
    controller->connectionDidReceiveResponse(nullptr, nullptr);
    controller->connectionDidReceiveData(nullptr, bytes("hi").get());
    EXPECT_EQ(contents(controller.get()), "hi");
}

TEST_F(WidgetBuffer, AFailureKeepsThePartialBytes) {
    test::CaptureStderr log;
    controller->setResponseData(NSMutableData::data().get());
    controller->connectionDidReceiveResponse(nullptr, nullptr);
    controller->connectionDidReceiveData(nullptr, bytes("{\"data\":").get());
    controller->connectionDidFailWithError(nullptr, nullptr);
    EXPECT_EQ(contents(controller.get()), "{\"data\":");
    EXPECT_EQ(log.logMessages(), (std::vector<std::string>{"Connection failed: (null)"}));
}

TEST_F(WidgetBuffer, EveryRequestThatConnectsStartsAFreshBuffer) {
    EXPECT_EQ(controller->getResponseData(), nullptr);
    controller->DownloadData(); // no address: the connection is still made, and fails later
    NSMutableData* first = controller->getResponseData();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->length(), 0u);
    controller->DownloadData();
    EXPECT_NE(controller->getResponseData(), first);
    test::CaptureStderr log;
    ASSERT_TRUE(waitForConnections());
}

TEST_F(WidgetBuffer, ResponsesOfAnyConnectionEmptyTheOneBuffer) {
    // Callbacks of two connections interleaved, as they may arrive on the loop.
    controller->setResponseData(NSMutableData::data().get());
    controller->connectionDidReceiveResponse(nullptr, nullptr); // first connection
    controller->connectionDidReceiveData(nullptr, bytes("first").get());
    controller->connectionDidReceiveResponse(nullptr, nullptr); // second connection
    EXPECT_EQ(contents(controller.get()), "");
    controller->connectionDidReceiveData(nullptr, bytes("second").get());
    controller->connectionDidReceiveData(nullptr, bytes("-tail-of-first").get());
    EXPECT_EQ(contents(controller.get()), "second-tail-of-first");
}

TEST_F(WidgetBuffer, TwoRequestsOnTheWireShareOneBuffer) {
    // The first reply's body stops half way; a second request starts a fresh buffer and
    // finishes; then the first reply's tail lands in the second's buffer, and the first
    // finish reads that buffer: the second reply, then the tail.
    device.setCurrency("EUR");
    const std::string first = tickerReply("first", "b", "c", "1", "d");
    const std::string second = tickerReply("second", "b", "c", "1", "d");
    const std::string firstWhole = test::HttpPeer::response(200, first);
    const std::size_t cut = firstWhole.size() - first.size() / 2;
    std::promise<void> sendTail;
    std::shared_future<void> tailGo = sendTail.get_future().share();
    std::atomic<int> served{0};
    peer.on("/api/2/BTCEUR/money/ticker", [&](const test::HttpRequest&, test::HttpConn& conn) {
        if (served++ == 0) {
            conn.send(firstWhole.substr(0, cut));
            tailGo.wait_for(std::chrono::seconds(10));
            conn.send(firstWhole.substr(cut));
        } else {
            conn.send(test::HttpPeer::response(200, second));
        }
    });
    NSRunLoop* loop = NSRunLoop::mainRunLoop();
    controller->view();
    ASSERT_TRUE(loop->runUntil([&] { return controller->getResponseData()->length() > 0; },
                               10)); // half of the first
    controller->reload(nullptr);
    ASSERT_TRUE(
        loop->runUntil([&] { return screen().lines[0] == "Last price: second / BTC"; }, 10));
    sendTail.set_value();
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(screen().lines[0], "Last price: second / BTC");
    EXPECT_EQ(contents(controller.get()), second + firstWhole.substr(cut));
}

} // namespace
