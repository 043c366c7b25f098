#pragma once

#include <Foundation/NSURLConnection.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace test {

// What a recording delegate saw, kept apart from it so a test can read it after the
// delegate is gone.
struct ConnectionLog {
    std::vector<std::string> calls; // "response 200", "data", "finish", "fail", "dealloc"
    std::string body;
    Ref<NSHTTPURLResponse> response;
    Ref<NSError> error;
    bool ended = false;
    std::vector<std::string> faults; // broken rules, reported by the test

    // The calls with runs of "data" folded into one, e.g. "response 200, data, finish".
    std::string summary() const;
};

// A delegate that records each callback and checks the rules every callback keeps: on the
// main thread, never while a connection is being created, nothing after the ending call,
// the response before any data.
class RecordingDelegate : public NSObject, public NSURLConnectionDelegate {
public:
    explicit RecordingDelegate(std::shared_ptr<ConnectionLog> log) : m_log(std::move(log)) {}

    // True while a test is inside connectionWithRequest.
    static bool creating;

    const char* className() const override { return "RecordingDelegate"; }
    void connectionDidReceiveResponse(NSURLConnection* connection,
                                      NSURLResponse* response) override;
    void connectionDidReceiveData(NSURLConnection* connection, NSData* data) override;
    void connectionDidFailWithError(NSURLConnection* connection, NSError* error) override;
    void connectionDidFinishLoading(NSURLConnection* connection) override;

private:
    ~RecordingDelegate() override { m_log->calls.push_back("dealloc"); }
    void check(NSURLConnection* connection, const char* call);
    std::shared_ptr<ConnectionLog> m_log;
};

// Starts a GET for the URL (none when `url` is empty) with a fresh recording delegate; drops
// every hold of its own. The log tells what happened.
struct Started {
    std::shared_ptr<ConnectionLog> log;
    bool created;
};
Started startLoading(const std::string& url, double timeoutSeconds = 10.0);

// Runs the loop until the log has its ending call; false when the deadline passed first.
bool runUntilEnded(const ConnectionLog& log, double timeoutSeconds = 10.0);

} // namespace test

#include <Foundation/NSRunLoop.h>
#include <Foundation/NSURLConnection+Host.h>

#include <gtest/gtest.h>

namespace test {

// Each test starts with no connect-to entries and the requests' own timeouts, and must
// leave no connection running.
class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        URLLoading::setConnectTo({});
        URLLoading::setIdleTimeoutForTesting(0);
    }
    void TearDown() override {
        EXPECT_TRUE(NSRunLoop::mainRunLoop()->runUntil(
            [] { return URLLoading::connectionsInFlight() == 0; }, 15))
            << "connections still in flight";
        URLLoading::setConnectTo({});
        URLLoading::setIdleTimeoutForTesting(0);
    }
};

} // namespace test
