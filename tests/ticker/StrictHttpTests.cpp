// How the service reads requests: malformed ones refused, pipelined ones all answered in
// order, absolute-form targets served like their paths.

#include "RawConnection.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace std::chrono_literals;
using namespace std::string_literals;
using tickertest::RawConnection;
using tickertest::ServiceProcess;
using tickertest::tickerPath;

namespace {

class StrictHttp : public testing::Test {
protected:
    void SetUp() override {
        port = service.waitForPort();
        ASSERT_GT(port, 0) << service.readStderr();
    }

    ServiceProcess service{{"--port", "0", "--seed", "3"}};
    int port = 0;
};

std::string statusLine(const std::string& response) {
    return response.substr(0, response.find("\r\n"));
}

} // namespace

TEST_F(StrictHttp, MalformedRequestsAreRefusedAndTheirConnectionsClosed) {
    const std::string ticker = tickerPath("USD");
    struct Case {
        const char* name;
        std::string request;
        const char* status; // the status line expected
        bool closes;        // the server closes the connection after it
    } const cases[] = {
        {"conflicting Content-Length",
         "POST " + ticker +
             " HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
         "HTTP/1.1 400 Bad Request", true},
        {"Transfer-Encoding with Content-Length",
         "POST " + ticker +
             " HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\nTransfer-Encoding: "
             "chunked\r\n\r\n0\r\n\r\n",
         "HTTP/1.1 400 Bad Request", true},
        {"Transfer-Encoding not ending in chunked",
         "POST " + ticker + " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: gzip\r\n\r\nab",
         "HTTP/1.1 400 Bad Request", true},
        {"NUL in a header", "GET " + ticker + " HTTP/1.1\r\nHost: x\r\nX: a\0b\r\n\r\n"s,
         "HTTP/1.1 400 Bad Request", true},
        {"bare CR in a header", "GET " + ticker + " HTTP/1.1\r\nHost: x\r\nX: a\rb\r\n\r\n",
         "HTTP/1.1 400 Bad Request", true},
        {"bare CR ending a header", "GET " + ticker + " HTTP/1.1\r\nHost: x\rX: b\r\n\r\n",
         "HTTP/1.1 400 Bad Request", true},
        {"head too large",
         "GET " + ticker + " HTTP/1.1\r\nX: " + std::string(10000, 'a') + "\r\n\r\n",
         "HTTP/1.1 431 Request Header Fields Too Large", true},
        {"body too large",
         "POST " + ticker + " HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n",
         "HTTP/1.1 413 Payload Too Large", true},
        // What is not malformed stays served.
        {"the same Content-Length twice",
         "POST " + ticker +
             " HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nab",
         "HTTP/1.1 405 Method Not Allowed", false},
        {"a chunked body",
         "POST " + ticker +
             " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
         "HTTP/1.1 405 Method Not Allowed", false},
        {"HTTP/1.0", "GET " + ticker + " HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawConnection connection(port);
        ASSERT_TRUE(connection.connected());
        ASSERT_TRUE(connection.send(c.request));
        const std::string response = connection.response(false, 5s);
        EXPECT_EQ(statusLine(response), c.status) << response;
        EXPECT_EQ(response.find("\r\nConnection: close\r\n") != std::string::npos, c.closes)
            << response;
        if (c.closes) {
            EXPECT_TRUE(connection.closedByServer(5s));
            EXPECT_EQ(connection.leftover(), "");
        } else {
            // Still usable, and nothing of the body was taken for a request.
            ASSERT_TRUE(connection.send("GET " + ticker + " HTTP/1.1\r\nHost: x\r\n\r\n"));
            EXPECT_EQ(statusLine(connection.response(false, 5s)), "HTTP/1.1 200 OK");
        }
    }
}

TEST_F(StrictHttp, AThousandPipelinedRequestsGetAThousandRepliesInOrder) {
    constexpr int kRequests = 1000;
    // A ticker, a path that is not one, and a HEAD, in turn: replies of different lengths,
    // one without a body, so a reply out of order or missing shows.
    const std::string requests[] = {
        "GET " + tickerPath("USD") + " HTTP/1.1\r\nHost: x\r\n\r\n",
        "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n",
        "HEAD " + tickerPath("JPY") + " HTTP/1.1\r\nHost: x\r\n\r\n",
    };
    std::string all;
    for (int i = 0; i < kRequests; ++i)
        all += requests[i % 3];
    RawConnection connection(port);
    ASSERT_TRUE(connection.connected());
    ASSERT_TRUE(connection.send(all));
    for (int i = 0; i < kRequests; ++i) {
        SCOPED_TRACE(i);
        const std::string response = connection.response(i % 3 == 2, 10s);
        switch (i % 3) {
        case 0:
            ASSERT_EQ(statusLine(response), "HTTP/1.1 200 OK");
            ASSERT_NE(response.find("\"currency\":\"USD\""), std::string::npos);
            break;
        case 1:
            ASSERT_EQ(statusLine(response), "HTTP/1.1 404 Not Found");
            break;
        case 2:
            ASSERT_EQ(statusLine(response), "HTTP/1.1 200 OK");
            ASSERT_TRUE(response.ends_with("\r\n\r\n"));
            break;
        }
    }
    EXPECT_EQ(connection.receive(1, 200ms), "") << "a reply too many";
}

TEST_F(StrictHttp, AnAbsoluteFormTargetIsAnsweredLikeItsPath) {
    RawConnection connection(port);
    ASSERT_TRUE(connection.connected());
    ASSERT_TRUE(connection.send("GET http://market.marrowfin.invalid" + tickerPath("EUR") +
                                " HTTP/1.1\r\nHost: market.marrowfin.invalid\r\n\r\n"));
    const std::string response = connection.response(false, 5s);
    EXPECT_EQ(statusLine(response), "HTTP/1.1 200 OK");
    EXPECT_NE(response.find("\"currency\":\"EUR\""), std::string::npos);
}

TEST_F(StrictHttp, HeadOfAnErrorHasNoBody) {
    // A body after HEAD's headers would be read as the start of the next reply.
    RawConnection connection(port);
    ASSERT_TRUE(connection.connected());
    ASSERT_TRUE(connection.send("HEAD /nothing HTTP/1.1\r\nHost: x\r\n\r\nGET " +
                                tickerPath("GBP") + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_EQ(statusLine(connection.response(true, 5s)), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(statusLine(connection.response(false, 5s)), "HTTP/1.1 200 OK");
}
