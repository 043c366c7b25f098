// A table of replies, well-formed and broken, against a real server on loopback.
#include "HttpPeer.h"
#include "RecordingDelegate.h"

#include "Gzip.h"
#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace test {
namespace {

std::string head(int status, std::string_view fields) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\n" + std::string(fields) + "\r\n";
}

std::string chunked(const std::vector<std::string>& chunks) {
    std::string text;
    char size[32];
    for (const std::string& chunk : chunks) {
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        text += size + chunk + "\r\n";
    }
    return text + "0\r\n\r\n";
}

// A port on which nobody listens: bound, then let go.
uint16_t closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

const std::string eightMiB(8 * 1024 * 1024, 'x');

struct Case {
    const char* name;
    HttpPeer::Handler handler; // serves "/case"; "/final" answers "moved"
    const char* summary;       // the calls, runs of data folded
    std::string body;          // what the data calls carried, in order
    std::string error = {};    // the failure's description, when it fails ("*": any text)
    long code = 0;             // the failure's code, when it matters
    double idleTimeout = 2.0;  // the idle timeout the case runs with
    const char* finalPath = "/case";
};

using BrokenRepliesTest = LoadingTest;

TEST_F(BrokenRepliesTest, Table) {
    const std::string gzipped = gzip(R"({"data":{"last":"1"}})");
    // 9 MiB of zeros packs into a few KiB: the bound counts what comes out of the decoder.
    const std::string bomb = gzip(std::string(9 * 1024 * 1024, '\0'));
    const Case cases[] = {
        {"plain 200", HttpPeer::reply(200, "{}"), "response 200, data, finish", "{}"},
        {"empty body", HttpPeer::reply(200, ""), "response 200, finish", ""},
        {"500 with a text body is no failure", HttpPeer::reply(500, "oops", "text/plain"),
         "response 500, data, finish", "oops"},
        {"404 is no failure", HttpPeer::reply(404, "gone", "text/plain"),
         "response 404, data, finish", "gone"},
        {"stall before anything", [](const HttpRequest&, HttpConn& c) { c.stall(); }, "fail", "",
         "The request timed out.", CURLE_OPERATION_TIMEDOUT, 0.3},
        {"stall mid-body",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Length: 10\r\n") + "12345");
             c.stall();
         },
         "response 200, data, fail", "12345", "The request timed out.", CURLE_OPERATION_TIMEDOUT,
         0.3},
        {"trickle slower than nothing but faster than the timeout",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Length: 5\r\n"));
             c.sendSlowly("abcde", 5, 200);
         },
         "response 200, data, finish", "abcde", "", 0, 0.3},
        {"reset mid-body",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Length: 100\r\n") + "partial");
             // Give the bytes time to be read before the reset throws them away.
             std::this_thread::sleep_for(std::chrono::milliseconds(200));
             c.reset();
         },
         "response 200, data, fail", "partial", "*", CURLE_RECV_ERROR},
        {"cut short",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Length: 100\r\n") + "only ten..");
             c.close();
         },
         "response 200, data, fail", "only ten..", "*", CURLE_PARTIAL_FILE},
        {"closed before any reply", [](const HttpRequest&, HttpConn& c) { c.close(); }, "fail", "",
         "*", CURLE_GOT_NOTHING},
        {"chunked in pieces",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Transfer-Encoding: chunked\r\n"));
             c.sendSlowly(chunked({"{\"da", "ta\":", "{}}"}), 6, 20);
         },
         "response 200, data, finish", R"({"data":{}})"},
        {"gzip is decoded",
         [gzipped](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Encoding: gzip\r\nContent-Length: " +
                                  std::to_string(gzipped.size()) + "\r\n") +
                    gzipped);
         },
         "response 200, data, finish", R"({"data":{"last":"1"}})"},
        {"redirect reports the final response only",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(302, "Location: /final\r\nContent-Length: 9\r\n") + "not this!");
         },
         "response 200, data, finish", "moved", "", 0, 2.0, "/final"},
        {"interim 100 before the reply",
         [](const HttpRequest&, HttpConn& c) {
             c.send("HTTP/1.1 100 Continue\r\n\r\n" + HttpPeer::response(200, "{}"));
         },
         "response 200, data, finish", "{}"},
        {"a 3xx without Location is the final response",
         HttpPeer::reply(300, "choices", "text/plain"), "response 300, data, finish", "choices"},
        {"redirect loop ends",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(302, "Location: /case\r\nContent-Length: 0\r\n"));
         },
         "fail", "", "*", CURLE_TOO_MANY_REDIRECTS},
        {"redirect to another scheme",
         [](const HttpRequest&, HttpConn& c) {
             c.send(head(302, "Location: ftp://127.0.0.1/x\r\nContent-Length: 0\r\n"));
         },
         "fail", "", "unsupported URL"},
        {"a body with no status line is no HTTP reply",
         [](const HttpRequest&, HttpConn& c) {
             c.send("{\"data\":{}}\n");
             c.close();
         },
         "fail", "", "Received HTTP/0.9 when not allowed", CURLE_UNSUPPORTED_PROTOCOL},
        {"a garbage status line is no HTTP reply",
         [](const HttpRequest&, HttpConn& c) {
             c.send("HTTP/9 200 OK\r\nContent-Length: 2\r\n\r\n{}");
             c.close();
         },
         "fail", "", "Unsupported HTTP version in response", CURLE_UNSUPPORTED_PROTOCOL},
        {"exactly 8 MiB is fine", HttpPeer::reply(200, eightMiB, "text/plain"),
         "response 200, data, finish", eightMiB},
        {"one byte over 8 MiB is too large", HttpPeer::reply(200, eightMiB + "y", "text/plain"),
         "response 200, data, fail", "", "response too large"},
        {"a gzip bomb is too large",
         [bomb](const HttpRequest&, HttpConn& c) {
             c.send(head(200, "Content-Encoding: gzip\r\nContent-Length: " +
                                  std::to_string(bomb.size()) + "\r\n") +
                    bomb);
         },
         "response 200, data, fail", "", "response too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpPeer peer;
        peer.on("/case", c.handler);
        peer.on("/final", HttpPeer::reply(200, "moved"));
        URLLoading::setIdleTimeoutForTesting(c.idleTimeout);

        Started started = startLoading(peer.url("/case"));
        ASSERT_TRUE(started.created);
        ASSERT_TRUE(runUntilEnded(*started.log, 20));
        const ConnectionLog& log = *started.log;
        EXPECT_EQ(log.summary(), c.summary);
        EXPECT_EQ(log.faults, std::vector<std::string>());
        if (c.error.empty() || !c.body.empty()) {
            EXPECT_TRUE(log.body == c.body) << "body of " << log.body.size() << " bytes";
        }
        if (c.error.empty()) {
            EXPECT_FALSE(log.error) << log.error->localizedDescription();
        } else {
            ASSERT_TRUE(log.error);
            if (c.error != "*") {
                EXPECT_EQ(log.error->localizedDescription(), c.error);
            }
            EXPECT_FALSE(log.error->localizedDescription().empty());
            if (c.code) {
                EXPECT_EQ(log.error->code(), c.code) << log.error->localizedDescription();
            }
        }
        if (log.response) {
            EXPECT_EQ(log.response->URL()->path(), c.finalPath);
        }
    }
}

// Bytes that complete nothing curl hands over still count as arriving: a reply sent a piece
// at a time, each piece well inside the idle timeout, never times out however long it takes.
TEST_F(BrokenRepliesTest, ATrickleAnywhereInTheReplyKeepsItAlive) {
    const std::string body = R"({"data":{}})";
    const std::string gzipped = gzip(body);
    const std::string gzipHead =
        head(200, "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(gzipped.size()) +
                      "\r\n");
    struct Trickle {
        const char* name;
        std::string before, slowly, after;
    };
    const Trickle trickles[] = {
        {"status line", "", "HTTP/1.1 200 OK\r\n", "Content-Length: 11\r\n\r\n" + body},
        {"header line", "HTTP/1.1 200 OK\r\n", "X-Slow: ab\r\n",
         "Content-Length: 11\r\n\r\n" + body},
        {"chunk-size line", head(200, "Transfer-Encoding: chunked\r\n"), "b;slowly\r\n",
         body + "\r\n0\r\n\r\n"},
        // The decoder gives out nothing until the stream's 10-byte header is whole.
        {"gzip header", gzipHead, gzipped.substr(0, 10), gzipped.substr(10)},
    };
    URLLoading::setIdleTimeoutForTesting(1.0);
    for (const Trickle& t : trickles) {
        SCOPED_TRACE(t.name);
        HttpPeer peer;
        peer.on("/slow", [&t](const HttpRequest&, HttpConn& c) {
            c.send(t.before);
            // 200 ms apart: each gap a fifth of the timeout, all of them more than it.
            c.sendSlowly(t.slowly, static_cast<int>(t.slowly.size()), 200);
            c.send(t.after);
        });
        Started started = startLoading(peer.url("/slow"));
        ASSERT_TRUE(runUntilEnded(*started.log, 20));
        EXPECT_EQ(started.log->summary(), "response 200, data, finish");
        EXPECT_EQ(started.log->body, body);
        if (started.log->error) {
            ADD_FAILURE() << started.log->error->localizedDescription();
        }
    }
}

// Overlapping connections may all feed one buffer: together they deliver at most twice one
// reply's limit, and the budget comes back once none is in flight.
TEST_F(BrokenRepliesTest, ConnectionsInFlightShareOneBudget) {
    const std::string sixMiB(6 * 1024 * 1024, '[');
    HttpPeer peer;
    peer.on("/big", [&](const HttpRequest&, HttpConn& c) {
        peer.waitForRequests(3, 10); // all three in flight before any answers
        c.send(HttpPeer::response(200, sixMiB, "text/plain"));
    });
    peer.on("/eight", HttpPeer::reply(200, eightMiB, "text/plain"));

    std::vector<Started> overlapping;
    for (int i = 0; i < 3; ++i)
        overlapping.push_back(startLoading(peer.url("/big")));
    std::size_t delivered = 0, tooLarge = 0;
    for (const Started& started : overlapping) {
        ASSERT_TRUE(runUntilEnded(*started.log, 20));
        delivered += started.log->body.size();
        if (started.log->error) {
            EXPECT_EQ(started.log->error->localizedDescription(), "response too large");
            ++tooLarge;
        }
    }
    EXPECT_LE(delivered, NSURLConnection::maxBodyBytesInFlight);
    EXPECT_GE(tooLarge, 1u);

    ASSERT_TRUE(NSRunLoop::mainRunLoop()->runUntil(
        [] { return URLLoading::connectionsInFlight() == 0; }, 10));
    Started alone = startLoading(peer.url("/eight"));
    ASSERT_TRUE(runUntilEnded(*alone.log, 20));
    EXPECT_EQ(alone.log->summary(), "response 200, data, finish");
    EXPECT_EQ(alone.log->body.size(), eightMiB.size());
}

TEST_F(BrokenRepliesTest, RefusedConnectionFails) {
    Started started = startLoading("http://127.0.0.1:" + std::to_string(closedPort()) + "/");
    ASSERT_TRUE(runUntilEnded(*started.log));
    EXPECT_EQ(started.log->summary(), "fail");
    ASSERT_TRUE(started.log->error);
    EXPECT_EQ(started.log->error->code(), CURLE_COULDNT_CONNECT);
    EXPECT_FALSE(started.log->error->localizedDescription().empty());
}

TEST_F(BrokenRepliesTest, TheOwnTimeoutOfTheRequestCounts) {
    HttpPeer peer;
    peer.on("/stall", [](const HttpRequest&, HttpConn& c) { c.stall(); });
    auto start = std::chrono::steady_clock::now();
    Started started = startLoading(peer.url("/stall"), 0.4);
    ASSERT_TRUE(runUntilEnded(*started.log));
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(started.log->summary(), "fail");
    EXPECT_GE(elapsed, 0.39);
    EXPECT_LT(elapsed, 3.0);
}

} // namespace
} // namespace test
