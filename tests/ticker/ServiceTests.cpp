#include "Currencies.h"
#include "RawConnection.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <signal.h>

#include <chrono>
#include <string>

using nlohmann::json;
using tickertest::RawConnection;
using tickertest::ServiceProcess;
using tickertest::tickerPath;

namespace {

class TickerService : public testing::Test {
protected:
    void SetUp() override {
        port = service.waitForPort();
        ASSERT_GT(port, 0) << service.readStderr();
    }

    ServiceProcess service{{"--port", "0", "--seed", "17"}};
    int port = 0;
};

} // namespace

TEST_F(TickerService, EveryCurrencyAnswersItsTicker) {
    httplib::Client client("127.0.0.1", port);
    for (const ticker::Currency& currency : ticker::currencies()) {
        SCOPED_TRACE(std::string(currency.code));
        const auto result = client.Get(tickerPath(currency.code));
        ASSERT_TRUE(result) << httplib::to_string(result.error());
        EXPECT_EQ(result->status, 200);
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        const json reply = json::parse(result->body);
        EXPECT_EQ(reply["result"], "success");
        const json& data = reply.at("data");
        for (const char* name : {"last", "high", "low", "avg", "vwap", "buy", "sell"}) {
            EXPECT_EQ(data.at(name).at("currency"), currency.code) << name;
            EXPECT_TRUE(data.at(name).at("display").is_string()) << name;
            EXPECT_TRUE(data.at(name).at("value").is_string()) << name;
        }
        EXPECT_TRUE(data.at("vol").at("value").is_string());
        EXPECT_TRUE(data.at("now").is_string());
        EXPECT_TRUE(data.at("dataUpdateTime").is_string());
    }
}

TEST_F(TickerService, HeadSendsTheHeadersOfTheReplyAndNoBody) {
    RawConnection connection(port);
    ASSERT_TRUE(connection.connected());
    // HEAD then GET on one keep-alive connection: a body sent after HEAD's headers would
    // reach us before the GET's status line.
    ASSERT_TRUE(connection.send("HEAD " + tickerPath("EUR") + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    const std::string head = connection.response(true, std::chrono::seconds(5));
    ASSERT_TRUE(head.starts_with("HTTP/1.1 200 OK\r\n")) << head;
    EXPECT_NE(head.find("Content-Type: application/json\r\n"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: "), std::string::npos);
    ASSERT_TRUE(connection.send("GET " + tickerPath("EUR") + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    const std::string get = connection.response(false, std::chrono::seconds(5));
    ASSERT_TRUE(get.starts_with("HTTP/1.1 200 OK\r\n")) << get;
    EXPECT_TRUE(get.ends_with("}}"));
    EXPECT_EQ(connection.leftover(), "");
}

TEST_F(TickerService, OtherPathsAreNotFound) {
    httplib::Client client("127.0.0.1", port);
    const char* const paths[] = {
        "/",
        "/api/2/BTCXYZ/money/ticker",
        "/api/2/BTCeur/money/ticker",
        "/api/2/BTCEURO/money/ticker",
        "/api/2/BTCEUR/money/ticker/",
        "/api/2/BTCEUR/money",
        "/api/1/BTCEUR/money/ticker",
        "/api/2/BTC%FF%FE/money/ticker",
    };
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        const auto result = client.Get(path);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404);
        EXPECT_EQ(result->get_header_value("Content-Type"), "application/json");
        const json reply = json::parse(result->body);
        EXPECT_EQ(reply["result"], "error");
        EXPECT_TRUE(reply["error"].is_string());
    }
    // A query does not change the path.
    const auto withQuery = client.Get(tickerPath("USD") + "?x=1");
    ASSERT_TRUE(withQuery);
    EXPECT_EQ(withQuery->status, 200);
}

TEST_F(TickerService, OtherMethodsOnTheTickerAreNotAllowed) {
    httplib::Client client("127.0.0.1", port);
    const std::string path = tickerPath("USD");
    const httplib::Result results[] = {
        client.Post(path, "{}", "application/json"),
        client.Put(path, "{}", "application/json"),
        client.Delete(path),
        client.Options(path),
    };
    for (const auto& result : results) {
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 405);
        EXPECT_EQ(result->get_header_value("Allow"), "GET, HEAD");
        EXPECT_EQ(json::parse(result->body)["result"], "error");
    }
    // Elsewhere the path decides first.
    const auto elsewhere = client.Post("/nothing", "{}", "application/json");
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(elsewhere->status, 404);
}

TEST_F(TickerService, ServesSixtyFourKeepAliveClientsAtOnce) {
    // Each open keep-alive connection holds a pool thread, so a pool smaller than the
    // number of clients leaves the last ones unanswered until the first ones close.
    constexpr int kClients = 64;
    std::vector<std::unique_ptr<RawConnection>> connections;
    for (int i = 0; i < kClients; ++i) {
        connections.push_back(std::make_unique<RawConnection>(port));
        ASSERT_TRUE(connections.back()->connected());
    }
    const std::string request = "GET " + tickerPath("GBP") + " HTTP/1.1\r\nHost: x\r\n\r\n";
    for (int round = 0; round < 2; ++round) {
        for (auto& connection : connections)
            ASSERT_TRUE(connection->send(request));
        for (int i = 0; i < kClients; ++i) {
            SCOPED_TRACE(testing::Message() << "round " << round << " client " << i);
            const std::string response =
                connections[static_cast<size_t>(i)]->response(false, std::chrono::seconds(3));
            EXPECT_TRUE(response.starts_with("HTTP/1.1 200 OK\r\n"));
        }
    }
}

TEST(TickerServiceProcess, StopsCleanlyOnSigintAndSigterm) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        ServiceProcess service({});
        const int port = service.waitForPort();
        ASSERT_GT(port, 0);
        // With a client connected and idle, the way a widget leaves it.
        httplib::Client client("127.0.0.1", port);
        client.set_keep_alive(true);
        ASSERT_TRUE(client.Get(tickerPath("USD")));
        service.signal(signal);
        EXPECT_EQ(service.waitForExit(), 0);
    }
}

TEST(TickerServiceProcess, SameSeedSameSecondSameNumbers) {
    ServiceProcess first({"--seed", "5"});
    ServiceProcess second({"--seed", "5"});
    const int a = first.waitForPort();
    const int b = second.waitForPort();
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    httplib::Client clientA("127.0.0.1", a);
    httplib::Client clientB("127.0.0.1", b);
    // The two answers may straddle a second; then the next pair cannot.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto ra = clientA.Get(tickerPath("JPY"));
        const auto rb = clientB.Get(tickerPath("JPY"));
        ASSERT_TRUE(ra);
        ASSERT_TRUE(rb);
        const json da = json::parse(ra->body)["data"];
        const json db = json::parse(rb->body)["data"];
        if (da["dataUpdateTime"] != db["dataUpdateTime"])
            continue;
        EXPECT_EQ(da["last"], db["last"]);
        EXPECT_EQ(da["vol"], db["vol"]);
        return;
    }
    ADD_FAILURE() << "no two answers in the same second";
}

TEST(TickerServiceProcess, CommandLineErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
    } const cases[] = {
        {{"--port", "abc"}, 2},          {{"--port", "70000"}, 2},
        {{"--seed", "-1x"}, 2},          {{"--colour"}, 2},
        {{"--max-connections", "0"}, 2}, {{"--head-timeout", "0"}, 2},
        {{"--market", "imaginary"}, 2},  {{"extra"}, 2},
        {{"--bind", "203.0.113.1"}, 1}, // an address this host does not have
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ServiceProcess service(c.args);
        EXPECT_EQ(service.readLine(), "");
        EXPECT_EQ(service.waitForExit(), c.status);
        const std::string error = service.readStderr();
        EXPECT_TRUE(error.starts_with("marrowfin ticker-service: ")) << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    }
}

TEST(TickerServiceProcess, PortInUseIsABindFailure) {
    ServiceProcess first({});
    const int port = first.waitForPort();
    ASSERT_GT(port, 0);
    ServiceProcess second({"--port", std::to_string(port)});
    EXPECT_EQ(second.waitForExit(), 1);
    const std::string error = second.readStderr();
    EXPECT_NE(error.find(std::to_string(port)), std::string::npos) << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
}

TEST(TickerServiceProcess, HelpGoesToStdoutAndSucceeds) {
    ServiceProcess service({"--help"});
    EXPECT_NE(service.readLine().find("Serve BTC ticker replies"), std::string::npos);
    EXPECT_EQ(service.waitForExit(), 0);
}
