// `marrowfin ticker-service --market live` as a process, against loopback fakes of its
// four sources.

#include "Currencies.h"
#include "FakeUpstream.h"
#include "LiveFixtures.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <signal.h>

#include <chrono>
#include <thread>

using nlohmann::json;
using tickertest::FakeUpstream;
using tickertest::ServiceProcess;

namespace {

std::vector<std::string> liveArgs(const FakeUpstream& upstream,
                                  std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--market", "live", "--bind", "127.0.0.1", "--port", "0"};
    for (std::string& arg : upstream.upstreamArgs())
        args.push_back(std::move(arg));
    for (std::string& arg : more)
        args.push_back(std::move(arg));
    return args;
}

std::string tickerPath(std::string_view code) {
    return "/api/2/BTC" + std::string(code) + "/money/ticker";
}

} // namespace

TEST(LiveService, ServesEveryCodeAndItsStatusFromTheSources) {
    FakeUpstream upstream;
    ServiceProcess service(liveArgs(upstream));
    const int port = service.waitForPort();
    ASSERT_GT(port, 0) << service.readStderr();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);

    const std::map<std::string_view, std::string_view> sources = {
        {"USD", "kraken"},     {"JPY", "kraken"},     {"DKK", "kraken+ecb"},
        {"THB", "kraken+ecb"}, {"RUB", "kraken+cbr"},
    };
    for (const ticker::Currency& currency : ticker::currencies()) {
        SCOPED_TRACE(std::string(currency.code));
        const auto response = client.Get(tickerPath(currency.code));
        ASSERT_TRUE(response);
        ASSERT_EQ(response->status, 200) << response->body;
        const json data = json::parse(response->body)["data"];
        EXPECT_EQ(data["last"]["currency"], currency.code);
        if (const auto found = sources.find(currency.code); found != sources.end()) {
            EXPECT_EQ(data["source"], found->second);
        }
    }
    EXPECT_EQ(json::parse(client.Get(tickerPath("RUB"))->body)["data"]["last"]["value"],
              "5474079.12345");

    const auto status = client.Get("/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, 200);
    const json sourcesState = json::parse(status->body)["sources"];
    // Bitstamp, not needed here, may still be on its second or third request.
    for (const char* name : {"kraken", "ecb", "cbr"})
        EXPECT_EQ(sourcesState[name]["state"], "ok") << name;
    EXPECT_EQ(sourcesState["bitstamp"]["urls"].size(), 3u);
    // One request each, for seventeen client requests.
    for (const auto& [path, count] : upstream.counts())
        EXPECT_EQ(count, 1u) << path;
}

TEST(LiveService, ManyClientsOnAColdCacheMakeOneUpstreamRequest) {
    FakeUpstream upstream;
    // Kraken keeps its reply until every client is on its way.
    upstream.set(FakeUpstream::kKrakenPath, {200, std::string(livefixture::kKraken), "", true});
    ServiceProcess service(liveArgs(upstream));
    const int port = service.waitForPort();
    ASSERT_GT(port, 0) << service.readStderr();

    constexpr int kClients = 48;
    std::vector<int> statuses(kClients, 0);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&statuses, port, i] {
            httplib::Client client("127.0.0.1", port);
            client.set_read_timeout(10);
            const auto code = ticker::currencies()[static_cast<size_t>(i) % 16].code;
            if (const auto response = client.Get(tickerPath(code)))
                statuses[static_cast<size_t>(i)] = response->status;
        });
    }
    ASSERT_TRUE(upstream.waitForCount(FakeUpstream::kKrakenPath, 1));
    upstream.release();
    for (std::thread& client : clients)
        client.join();
    for (int i = 0; i < kClients; ++i)
        EXPECT_EQ(statuses[static_cast<size_t>(i)], 200) << "client " << i;
    for (const auto& [path, count] : upstream.counts())
        EXPECT_EQ(count, 1u) << path;
}

TEST(LiveService, ABrokenSourceFallsBackAndIsLoggedOnce) {
    FakeUpstream upstream;
    upstream.set(FakeUpstream::kKrakenPath,
                 {200, "<html><body>Bad Gateway</body></html>", "", false});
    ServiceProcess service(liveArgs(upstream));
    const int port = service.waitForPort();
    ASSERT_GT(port, 0) << service.readStderr();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    for (int i = 0; i < 3; ++i) {
        const auto response = client.Get(tickerPath("USD"));
        ASSERT_TRUE(response);
        ASSERT_EQ(response->status, 200) << response->body;
        EXPECT_EQ(json::parse(response->body)["data"]["source"], "bitstamp");
    }
    const json kraken = json::parse(client.Get("/status")->body)["sources"]["kraken"];
    EXPECT_EQ(kraken["state"], "failing");
    EXPECT_EQ(kraken["lastError"], "the reply is not a JSON object");

    service.signal(SIGTERM);
    ASSERT_EQ(service.waitForExit(), 0);
    const std::string log = service.readStderr();
    EXPECT_EQ(log, "marrowfin ticker-service: kraken: the reply is not a JSON object\n");
}

TEST(LiveService, NoExchangeDataIs503WithAJsonErrorAndNoRequestBeforeRetryAfter) {
    FakeUpstream upstream;
    for (const char* path : {FakeUpstream::kKrakenPath, FakeUpstream::kBitstampUsdPath})
        upstream.set(path, {503, "down for maintenance", "120", false});
    ServiceProcess service(liveArgs(upstream));
    const int port = service.waitForPort();
    ASSERT_GT(port, 0) << service.readStderr();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    const auto response = client.Get(tickerPath("USD"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 503);
    const json body = json::parse(response->body);
    EXPECT_EQ(body["result"], "error");
    EXPECT_FALSE(body.contains("data"));
    EXPECT_TRUE(response->has_header("Retry-After"));
    // Asked again at once: the sources said to wait two minutes, so nobody asks them.
    EXPECT_EQ(client.Get(tickerPath("USD"))->status, 503);
    EXPECT_EQ(upstream.count(FakeUpstream::kKrakenPath), 1u);
    EXPECT_EQ(upstream.count(FakeUpstream::kBitstampUsdPath), 1u);
}

TEST(LiveService, SigtermWhileAFetchHangsExitsPromptly) {
    FakeUpstream upstream;
    upstream.set(FakeUpstream::kKrakenPath, {200, "", "", true});
    ServiceProcess service(liveArgs(upstream));
    const int port = service.waitForPort();
    ASSERT_GT(port, 0) << service.readStderr();
    std::thread client([port] {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(10);
        client.Get(tickerPath("USD"));
    });
    ASSERT_TRUE(upstream.waitForCount(FakeUpstream::kKrakenPath, 1));

    const auto signalled = std::chrono::steady_clock::now();
    service.signal(SIGTERM);
    const auto status = service.waitForExit(std::chrono::seconds(8));
    const auto took = std::chrono::steady_clock::now() - signalled;
    EXPECT_EQ(status, 0) << service.readStderr();
    // Far below the 10 s a fetch may take: the stop does not wait for it.
    EXPECT_LT(took, std::chrono::seconds(4));
    client.join();
}

TEST(LiveService, CommandLineErrorsAreOneLineAndExit2) {
    const std::vector<std::string> cases[] = {
        {"--market", "imaginary"},
        {"--market", "live", "--upstream", "coinbase=http://127.0.0.1:1"},
        {"--market", "live", "--upstream", "kraken"},
        {"--market", "live", "--upstream", "kraken=ftp://127.0.0.1/"},
        {"--market", "live", "--fresh", "0"},
        {"--market", "live", "--stale", "soon"},
        {"--market", "live", "--fresh", "60", "--stale", "30"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        ServiceProcess service(args);
        EXPECT_EQ(service.waitForExit(), 2);
        const std::string error = service.readStderr();
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
        EXPECT_TRUE(error.starts_with("marrowfin ticker-service: ")) << error;
    }
}
