// The server with a reply source that answers later, from threads of its own, as a market
// that fetches its data does.

#include "HttpServer.h"
#include "RawConnection.h"
#include "ReplySource.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using ticker::Reply;
using tickertest::RawConnection;
using tickertest::tickerPath;

namespace {

// Keeps every request until the test answers it.
class HeldAnswers final : public ticker::ReplySource {
public:
    struct Asked {
        std::string code;
        Answer answer;
    };

    void ticker(const ticker::Currency& currency, Answer answer) override {
        std::lock_guard lock(m_lock);
        m_asked.push_back({std::string(currency.code), std::move(answer)});
        m_changed.notify_all();
    }
    std::optional<Reply> status() override { return statusReply; }

    // The oldest request not yet taken, once there is one.
    std::optional<Asked> next(std::chrono::milliseconds deadline = 5s) {
        std::unique_lock lock(m_lock);
        if (!m_changed.wait_for(lock, deadline, [this] { return !m_asked.empty(); }))
            return std::nullopt;
        Asked asked = std::move(m_asked.front());
        m_asked.pop_front();
        return asked;
    }

    std::optional<Reply> statusReply;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Asked> m_asked;
};

Reply replyNaming(const std::string& code, int status = 200, std::string retryAfter = {}) {
    return {status, std::make_shared<const std::string>("{\"code\":\"" + code + "\"}"),
            std::move(retryAfter)};
}

// Answers from a thread of its own, as a market's fetch would.
void answerFromAnotherThread(HeldAnswers::Asked& asked, Reply reply) {
    std::thread([&asked, reply] { asked.answer(reply); }).join();
}

class LateAnswers : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        server = ticker::HttpServer::listen("127.0.0.1", 0, source, {}, error);
        ASSERT_TRUE(server) << error;
        server->start(2);
    }

    HeldAnswers source;
    std::unique_ptr<ticker::HttpServer> server;
};

std::string get(const std::string& path) {
    return "GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n";
}

} // namespace

TEST_F(LateAnswers, PipelinedRequestsAreAnsweredInOrderWhateverTheWait) {
    RawConnection client(server->port());
    ASSERT_TRUE(
        client.send(get(tickerPath("USD")) + get(tickerPath("EUR")) + get(tickerPath("GBP"))));
    for (const char* code : {"USD", "EUR", "GBP"}) {
        SCOPED_TRACE(code);
        auto asked = source.next();
        ASSERT_TRUE(asked);
        EXPECT_EQ(asked->code, code);
        // The next request is not asked for before this one is answered.
        EXPECT_EQ(client.receive(1, 50ms), "");
        answerFromAnotherThread(*asked, replyNaming(code));
        const std::string response = client.response(false, 5s);
        EXPECT_TRUE(response.starts_with("HTTP/1.1 200 OK\r\n")) << response;
        EXPECT_TRUE(response.ends_with("{\"code\":\"" + std::string(code) + "\"}")) << response;
    }
}

TEST_F(LateAnswers, TheSourcesStatusAndRetryAfterAreSent) {
    source.statusReply = replyNaming("status");
    RawConnection client(server->port());
    ASSERT_TRUE(client.send(get(tickerPath("RUB")) + get("/status")));
    auto asked = source.next();
    ASSERT_TRUE(asked);
    answerFromAnotherThread(*asked, replyNaming("RUB", 503, "120"));
    const std::string busy = client.response(false, 5s);
    EXPECT_TRUE(busy.starts_with("HTTP/1.1 503 Service Unavailable\r\n")) << busy;
    EXPECT_NE(busy.find("\r\nRetry-After: 120\r\n"), std::string::npos) << busy;
    EXPECT_TRUE(client.response(false, 5s).ends_with("{\"code\":\"status\"}"));
}

TEST_F(LateAnswers, AStopWritesTheRepliesStillBeingAnswered) {
    RawConnection waiting(server->port());
    RawConnection idle(server->port());
    ASSERT_TRUE(idle.send(get("/nothing")));
    ASSERT_FALSE(idle.response(false, 5s).empty());
    ASSERT_TRUE(waiting.send(get(tickerPath("CHF"))));
    auto asked = source.next();
    ASSERT_TRUE(asked);

    std::thread stopping([this] { server->stop(10s); });
    // The idle connection closes at once; the one waiting for its answer stays.
    EXPECT_TRUE(idle.closedByServer(5s));
    answerFromAnotherThread(*asked, replyNaming("CHF"));
    const std::string response = waiting.response(false, 5s);
    EXPECT_TRUE(response.ends_with("{\"code\":\"CHF\"}")) << response;
    EXPECT_TRUE(waiting.closedByServer(5s));
    stopping.join();
}

TEST_F(LateAnswers, AnAnswerAfterTheServerIsGoneIsDropped) {
    RawConnection client(server->port());
    ASSERT_TRUE(client.send(get(tickerPath("SEK"))));
    auto asked = source.next();
    ASSERT_TRUE(asked);
    server->stop(100ms);
    server.reset();
    asked->answer(replyNaming("SEK")); // must not touch the server
    EXPECT_TRUE(client.closedByServer(1s));
    EXPECT_EQ(client.leftover(), "");
}
