// Callback order, thread and liveness; what goes on the wire; many at once.
#include "HttpPeer.h"
#include "RecordingDelegate.h"

#include <Foundation/NSRunLoop+Host.h>
#include <Foundation/NSString.h>

#include <set>

namespace test {
namespace {

using ConnectionTest = LoadingTest;

TEST_F(ConnectionTest, DeliversInOrderAndKeepsTheDelegateUntilTheEnd) {
    HttpPeer peer;
    peer.on("/ticker", HttpPeer::reply(200, R"({"result":"success"})"));
    // startLoading keeps no hold: only the connection keeps the delegate alive.
    Started started = startLoading(peer.url("/ticker"));
    ASSERT_TRUE(started.created);
    EXPECT_TRUE(started.log->calls.empty()) << "a callback came inside connectionWithRequest";
    EXPECT_EQ(URLLoading::connectionsInFlight(), 1u);

    ASSERT_TRUE(NSRunLoop::mainRunLoop()->runUntil(
        [&] { return !started.log->calls.empty() && started.log->calls.back() == "dealloc"; }, 10));
    const std::vector<std::string> expected = {"response 200", "data", "finish", "dealloc"};
    EXPECT_EQ(started.log->calls, expected);
    EXPECT_EQ(started.log->body, R"({"result":"success"})");
    EXPECT_EQ(started.log->faults, std::vector<std::string>());
    EXPECT_EQ(URLLoading::connectionsInFlight(), 0u);
}

TEST_F(ConnectionTest, ReportsTheResponse) {
    HttpPeer peer;
    peer.on("/r", [](const HttpRequest&, HttpConn& conn) {
        conn.send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nX-Twice: a\r\n"
                  "x-twice: b\r\nContent-Length: 5\r\n\r\nhello");
    });
    Started started = startLoading(peer.url("/r"));
    ASSERT_TRUE(runUntilEnded(*started.log));
    ASSERT_TRUE(started.log->response);
    NSHTTPURLResponse* response = started.log->response.get();
    EXPECT_EQ(response->statusCode(), 200);
    EXPECT_EQ(response->expectedContentLength(), 5);
    EXPECT_EQ(response->URL()->absoluteString(), peer.url("/r"));
    auto* type = NSCast<NSString>(response->allHeaderFields()->objectForKey("Content-Type"));
    ASSERT_TRUE(type);
    EXPECT_EQ(type->UTF8String(), "text/plain");
    auto* twice = NSCast<NSString>(response->allHeaderFields()->objectForKey("X-Twice"));
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->UTF8String(), "a, b");
}

TEST_F(ConnectionTest, SendsAPlainGetWithNothingCached) {
    HttpPeer peer;
    peer.on("/api/2/BTCEUR/money/ticker", HttpPeer::reply(200, "{}"));
    // Twice: a second request must not turn conditional on what the first one got.
    for (int round = 0; round < 2; ++round) {
        Started started = startLoading(peer.url("/api/2/BTCEUR/money/ticker"));
        ASSERT_TRUE(runUntilEnded(*started.log));
        EXPECT_EQ(started.log->summary(), "response 200, data, finish");
    }
    std::vector<HttpRequest> seen = peer.requests();
    ASSERT_EQ(seen.size(), 2u);
    for (const HttpRequest& request : seen) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.path, "/api/2/BTCEUR/money/ticker");
        std::set<std::string> names;
        for (const auto& header : request.headers)
            names.insert(header.first);
        // No body, no cache validators, nothing of the caller's own; gzip is offered.
        EXPECT_EQ(names, (std::set<std::string>{"host", "accept", "accept-encoding"}));
        EXPECT_NE(request.headers.at("accept-encoding").find("gzip"), std::string::npos);
    }
    EXPECT_EQ(peer.connectionsAccepted(), 1u) << "the keep-alive connection was not reused";
}

TEST_F(ConnectionTest, ConnectToSendsANamedHostToThePeer) {
    HttpPeer peer;
    peer.on("/api/2/BTCUSD/money/ticker", HttpPeer::reply(200, "{}"));
    URLLoading::setConnectTo({peer.connectTo()});
    Started started = startLoading("http://market.example.invalid/api/2/BTCUSD/money/ticker");
    ASSERT_TRUE(runUntilEnded(*started.log));
    EXPECT_EQ(started.log->summary(), "response 200, data, finish");
    ASSERT_EQ(peer.requests().size(), 1u);
    EXPECT_EQ(peer.requests()[0].headers.at("host"), "market.example.invalid");
}

TEST_F(ConnectionTest, RefusesWhatCannotBeAConnection) {
    struct PlainObject : NSObject {};
    auto request = NSURLRequest::requestWithURL(NSURL::URLWithString("http://127.0.0.1:1/").get());
    auto notADelegate = make<PlainObject>();
    EXPECT_FALSE(NSURLConnection::connectionWithRequest(nullptr, notADelegate));
    EXPECT_FALSE(NSURLConnection::connectionWithRequest(request, nullptr));
    EXPECT_FALSE(NSURLConnection::connectionWithRequest(request, notADelegate));
    EXPECT_EQ(URLLoading::connectionsInFlight(), 0u);
}

TEST_F(ConnectionTest, UnsupportedURLFailsAfterTheCallReturned) {
    const char* urls[] = {"", "ftp://127.0.0.1/file", "file:///etc/passwd"};
    for (const char* url : urls) {
        SCOPED_TRACE(url);
        Started started = startLoading(url);
        ASSERT_TRUE(started.created) << "the failure must come through the delegate";
        EXPECT_TRUE(started.log->calls.empty());
        ASSERT_TRUE(runUntilEnded(*started.log, 5));
        EXPECT_EQ(started.log->summary(), "fail");
        ASSERT_TRUE(started.log->error);
        EXPECT_EQ(started.log->error->localizedDescription(), "unsupported URL");
        EXPECT_EQ(started.log->error->domain(), "NSURLErrorDomain");
        EXPECT_EQ(started.log->faults, std::vector<std::string>());
    }
}

TEST_F(ConnectionTest, ManyAtOnceAllFinish) {
    HttpPeer peer;
    peer.on("/t", HttpPeer::reply(200, R"({"data":{}})"));
    std::vector<std::shared_ptr<ConnectionLog>> logs;
    for (int i = 0; i < 200; ++i) {
        Started started = startLoading(peer.url("/t"));
        ASSERT_TRUE(started.created);
        logs.push_back(started.log);
    }
    EXPECT_EQ(URLLoading::connectionsInFlight(), 200u);
    ASSERT_TRUE(NSRunLoop::mainRunLoop()->runUntil(
        [] { return URLLoading::connectionsInFlight() == 0; }, 60));
    for (const auto& log : logs) {
        EXPECT_EQ(log->summary(), "response 200, data, finish");
        EXPECT_EQ(log->body, R"({"data":{}})");
        EXPECT_TRUE(log->faults.empty());
    }
}

TEST_F(ConnectionTest, IdleLoopKeepsNoTimer) {
    HttpPeer peer;
    peer.on("/t", HttpPeer::reply(200, "{}"));
    Started started = startLoading(peer.url("/t"));
    ASSERT_TRUE(runUntilEnded(*started.log));
    NSRunLoop::mainRunLoop()->runFor(0.05); // let closed handles go
    int activeTimers = 0;
    uv_walk(
        NSRunLoop::mainRunLoop()->uvLoop(),
        [](uv_handle_t* handle, void* count) {
            if (handle->type == UV_TIMER && uv_is_active(handle))
                ++*static_cast<int*>(count);
        },
        &activeTimers);
    EXPECT_EQ(activeTimers, 0) << "something wakes an idle host";
}

} // namespace
} // namespace test
