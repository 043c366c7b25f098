// The live market's fetching and answering, on a clock the tests move and a fetcher whose
// replies the tests give: no network, no sleeping.

#include "LiveFixtures.h"
#include "LiveMarket.h"
#include "SourceSchedule.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <ctime>
#include <deque>

using nlohmann::json;
using ticker::FetchResult;
using ticker::LiveMarket;
using ticker::Micros;
using ticker::Reply;

namespace {

constexpr Micros kSecond = 1'000'000;
constexpr Micros kStart = 1'709'296'496 * kSecond;

// Requests wait here until the test answers them.
class ScriptedFetcher final : public ticker::Fetcher {
public:
    void get(const std::string& url, Done done) override {
        m_urls.push_back(url);
        m_pending.push_back({url, std::move(done)});
    }
    // How many requests went to URLs containing `part`.
    size_t count(std::string_view part) const {
        return static_cast<size_t>(
            std::count_if(m_urls.begin(), m_urls.end(),
                          [&](const auto& url) { return url.find(part) != std::string::npos; }));
    }
    size_t pending(std::string_view part) const {
        return static_cast<size_t>(
            std::count_if(m_pending.begin(), m_pending.end(),
                          [&](const auto& p) { return p.first.find(part) != std::string::npos; }));
    }
    // Answers the oldest pending request to a URL containing `part`.
    void answer(std::string_view part, FetchResult result) {
        const auto found = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& p) {
            return p.first.find(part) != std::string::npos;
        });
        ASSERT_NE(found, m_pending.end()) << "no request pending for " << part;
        Done done = std::move(found->second);
        m_pending.erase(found);
        done(std::move(result));
    }
    void answer(std::string_view part, int status, std::string_view body,
                std::string retryAfter = {}) {
        answer(part, FetchResult{status, std::string(body), std::move(retryAfter), {}});
    }
    // Every source's fixture (or `kraken` for Kraken's) to whatever is pending, Bitstamp's
    // three in turn.
    void answerAll(std::string_view kraken = livefixture::kKraken) {
        const std::pair<std::string_view, std::string_view> replies[] = {
            {"/0/public/Ticker", kraken},
            {"/btcusd/", livefixture::kBitstampUsd},
            {"/btceur/", livefixture::kBitstampEur},
            {"/btcgbp/", livefixture::kBitstampGbp},
            {"eurofxref", livefixture::kEcb},
            {"XML_daily", livefixture::kCbr},
        };
        for (const auto& [part, body] : replies) {
            if (pending(part))
                answer(part, 200, body);
        }
    }

private:
    std::vector<std::string> m_urls;
    std::deque<std::pair<std::string, Done>> m_pending;
};

// What a client got, if anything yet.
struct Answered {
    std::optional<Reply> reply;
    int status() const { return reply ? reply->status : 0; }
    json body() const { return reply ? json::parse(*reply->body) : json(); }
};

class LiveMarketTest : public testing::Test {
protected:
    LiveMarketTest() {
        std::string error;
        auto format = ticker::MoneyFormat::create(error);
        EXPECT_TRUE(format) << error;
        ticker::LiveOptions options;
        options.bases = {{"kraken", "http://kraken.test/"},
                         {"bitstamp", "http://bitstamp.test"},
                         {"ecb", "http://ecb.test/prefix"},
                         {"cbr", "http://cbr.test"}};
        market = std::make_unique<LiveMarket>(
            options, std::move(format), fetcher, [this] { return now; },
            [this](const std::string& line) { log.push_back(line); }, [this] { return jitter; });
    }

    std::shared_ptr<Answered> ask(std::string_view code) {
        auto answered = std::make_shared<Answered>();
        market->ticker(*ticker::findCurrency(code),
                       [answered](Reply reply) { answered->reply = std::move(reply); });
        return answered;
    }
    // The answer to a request at the current moment, when it came at once.
    Answered askNow(std::string_view code) {
        auto answered = ask(code);
        EXPECT_TRUE(answered->reply) << code << " was not answered at once";
        return *answered;
    }
    void advance(Micros by) { now += by; }
    // A request at every second up to (not including) `until`; none may reach `source`.
    void askEverySecondUntil(Micros until, std::string_view source, size_t requestsBefore) {
        while (now + kSecond < until) {
            advance(kSecond);
            ask("USD");
            ASSERT_EQ(fetcher.count(source), requestsBefore)
                << "a request " << (until - now) / kSecond << " s early";
        }
        now = until;
    }

    Micros now = kStart;
    double jitter = 0;
    ScriptedFetcher fetcher;
    std::vector<std::string> log;
    std::unique_ptr<LiveMarket> market;
};

} // namespace

TEST_F(LiveMarketTest, ManyClientsOnAColdCacheMakeOneRequestPerSource) {
    std::vector<std::shared_ptr<Answered>> clients;
    for (int i = 0; i < 200; ++i)
        clients.push_back(ask(ticker::currencies()[i % 16].code));
    EXPECT_EQ(fetcher.count("kraken.test/0/public/Ticker?pair=XBTUSD,XBTEUR,XBTGBP,XBTCAD,"
                            "XBTJPY,XBTCHF,XBTAUD"),
              1u);
    EXPECT_EQ(fetcher.count("bitstamp.test/api/v2/ticker/btcusd/"), 1u);
    EXPECT_EQ(fetcher.count("bitstamp.test/api/v2/ticker/btceur/"), 0u) << "one at a time";
    EXPECT_EQ(fetcher.count("ecb.test/prefix/stats/eurofxref/eurofxref-daily.xml"), 1u);
    EXPECT_EQ(fetcher.count("cbr.test/scripts/XML_daily.asp"), 1u);
    for (const auto& client : clients)
        EXPECT_FALSE(client->reply) << "answered before any data came";

    fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken);
    EXPECT_EQ(clients[0]->status(), 200); // USD
    EXPECT_EQ(clients[0]->body()["data"]["source"], "kraken");
    EXPECT_FALSE(clients[4]->reply) << "DKK waits for the ECB";
    EXPECT_FALSE(clients[12]->reply) << "RUB waits for the Bank of Russia";

    fetcher.answer("eurofxref", 200, livefixture::kEcb);
    EXPECT_EQ(clients[4]->body()["data"]["source"], "kraken+ecb");
    fetcher.answer("XML_daily", 200, livefixture::kCbr);
    for (const auto& client : clients)
        EXPECT_EQ(client->status(), 200);
    EXPECT_EQ(clients[12]->body()["data"]["last"]["value"], "5474079.12345");
    // Each one fetch ever.
    EXPECT_EQ(fetcher.count("/0/public/Ticker"), 1u);
}

TEST_F(LiveMarketTest, AColdClientWaitsAFewSecondsThen503) {
    auto client = ask("EUR");
    EXPECT_FALSE(client->reply);
    advance(3 * kSecond - 1);
    EXPECT_TRUE(market->expireWaiting());
    EXPECT_FALSE(client->reply);
    advance(1);
    EXPECT_FALSE(market->expireWaiting()) << "nobody left waiting";
    ASSERT_EQ(client->status(), 503);
    EXPECT_EQ(client->body()["result"], "error");
    EXPECT_FALSE(client->body().contains("data")) << "the widget must keep what it shows";
    EXPECT_EQ(client->reply->retryAfter, "1") << "a fetch is in flight";

    // The late reply still serves the next client.
    fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken);
    EXPECT_EQ(askNow("EUR").status(), 200);
}

TEST_F(LiveMarketTest, AColdClientPrefersKrakenWhileItIsOnItsWay) {
    auto first = ask("USD");
    fetcher.answer("/btcusd/", 200, livefixture::kBitstampUsd);
    EXPECT_FALSE(first->reply) << "Kraken may still answer";
    fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken);
    EXPECT_EQ(first->body()["data"]["source"], "kraken");

    // Kraken hangs: once the wait is up, Bitstamp's figures rather than a 503.
    now += 30 * kSecond;
    fetcher.answerAll();
    now += 600 * kSecond + 1; // Kraken's figures are stale
    auto second = ask("USD");
    EXPECT_FALSE(second->reply);
    fetcher.answer("/btcusd/", 200, livefixture::kBitstampUsd);
    EXPECT_FALSE(second->reply);
    now += 3 * kSecond;
    market->expireWaiting();
    ASSERT_EQ(second->status(), 200);
    EXPECT_EQ(second->body()["data"]["source"], "bitstamp");
}

TEST_F(LiveMarketTest, FailedFetchesAnswerWaitingClientsAt503WithoutWaitingOut) {
    auto client = ask("USD");
    fetcher.answer("/0/public/Ticker", 0, "");
    EXPECT_FALSE(client->reply) << "Bitstamp is still being asked";
    fetcher.answer("/btcusd/", 500, "oops");
    fetcher.answer("/btceur/", 500, "oops");
    fetcher.answer("/btcgbp/", 500, "oops");
    fetcher.answer("eurofxref", 200, livefixture::kEcb);
    EXPECT_FALSE(client->reply);
    fetcher.answer("XML_daily", 200, livefixture::kCbr);
    EXPECT_EQ(client->status(), 503);
}

TEST_F(LiveMarketTest, EachSourceIsAskedAtMostOncePerFreshIntervalAndRatesHourly) {
    ask("USD");
    fetcher.answerAll();
    askEverySecondUntil(kStart + 30 * kSecond, "/0/public/Ticker", 1);
    EXPECT_EQ(askNow("USD").status(), 200);
    EXPECT_EQ(fetcher.count("/0/public/Ticker"), 2u);
    EXPECT_EQ(fetcher.count("/btcusd/"), 2u);
    EXPECT_EQ(fetcher.count("eurofxref"), 1u);
    fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken);

    now = kStart + 3600 * kSecond - 1;
    ask("USD");
    EXPECT_EQ(fetcher.count("eurofxref"), 1u);
    EXPECT_EQ(fetcher.count("XML_daily"), 1u);
    advance(1);
    ask("USD");
    EXPECT_EQ(fetcher.count("eurofxref"), 2u);
    EXPECT_EQ(fetcher.count("XML_daily"), 2u);
}

TEST_F(LiveMarketTest, RetryAfterIsHonouredToTheSecond) {
    const auto httpDate = [](Micros moment) {
        const time_t seconds = static_cast<time_t>(moment / kSecond);
        tm utc{};
        gmtime_r(&seconds, &utc);
        char text[64];
        strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
        return std::string(text);
    };
    constexpr std::string_view kDateIn75 = "(an HTTP date 75 s ahead)";
    const struct {
        int status;
        std::string retryAfter;
        Micros wait;
    } cases[] = {
        {429, "120", 120 * kSecond},
        {418, "3600", 3600 * kSecond},
        {503, std::string(kDateIn75), 75 * kSecond},
        {429, " 45 ", 45 * kSecond},
        // Sooner than the fresh interval: still not twice within it.
        {429, "5", 30 * kSecond},
        // Not a rate limit, or no usable header: backoff (15 s with no jitter), no less
        // than the fresh interval.
        {500, "120", 30 * kSecond},
        {429, "soon", 30 * kSecond},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " Retry-After: " + c.retryAfter);
        const size_t before = fetcher.count("/0/public/Ticker");
        const Micros failedAt = now;
        ask("USD");
        ASSERT_EQ(fetcher.count("/0/public/Ticker"), before + 1);
        fetcher.answer("/0/public/Ticker", c.status, "{}",
                       c.retryAfter == kDateIn75 ? httpDate(now + 75 * kSecond) : c.retryAfter);
        askEverySecondUntil(failedAt + c.wait, "/0/public/Ticker", before + 1);
        now = failedAt + c.wait - 1;
        ask("USD");
        ASSERT_EQ(fetcher.count("/0/public/Ticker"), before + 1) << "a microsecond early";
        now = failedAt + c.wait;
        ask("USD");
        ASSERT_EQ(fetcher.count("/0/public/Ticker"), before + 2) << "no request when due";
        fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken); // ends the backoff
        now += 30 * kSecond;
    }
}

TEST_F(LiveMarketTest, ARateLimitStopsBitstampsOtherRequestsToo) {
    ask("USD");
    fetcher.answer("/btcusd/", 429, "", "60");
    EXPECT_EQ(fetcher.count("/btceur/"), 0u);
    now += 59 * kSecond;
    ask("USD");
    EXPECT_EQ(fetcher.count("bitstamp.test"), 1u);
    now += kSecond;
    ask("USD");
    EXPECT_EQ(fetcher.count("/btcusd/"), 2u);
}

TEST_F(LiveMarketTest, ABrokenSourceFallsBackIsLoggedOnceAndShownInStatus) {
    constexpr std::string_view kBadGateway = "<html>Bad Gateway</html>";
    ask("USD");
    fetcher.answerAll(kBadGateway);
    // Kraken keeps failing the same way; Bitstamp answers.
    for (int i = 0; i < 3; ++i) {
        const Answered usd = askNow("USD");
        EXPECT_EQ(usd.body()["data"]["source"], "bitstamp");
        EXPECT_EQ(usd.body()["data"]["last"]["value"], "60010.00000");
        now += 10 * 60 * kSecond;
        ask("USD");
        fetcher.answerAll(kBadGateway);
    }
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "kraken: the reply is not a JSON object");

    const json status = json::parse(*market->status()->body);
    const json& kraken = status["sources"]["kraken"];
    EXPECT_EQ(kraken["state"], "failing");
    EXPECT_EQ(kraken["lastSuccess"], nullptr);
    EXPECT_EQ(kraken["lastError"], "the reply is not a JSON object");
    EXPECT_GE(kraken["failuresInARow"], 3);
    EXPECT_EQ(status["sources"]["bitstamp"]["state"], "ok");
    EXPECT_EQ(status["sources"]["bitstamp"]["urls"].size(), 3u);
    EXPECT_EQ(status["sources"]["ecb"]["urls"][0],
              "http://ecb.test/prefix/stats/eurofxref/eurofxref-daily.xml");

    // Back to Kraken once it answers, and one line saying so.
    now += 10 * 60 * kSecond;
    ask("USD");
    fetcher.answer("/0/public/Ticker", 200, livefixture::kKraken);
    EXPECT_EQ(askNow("USD").body()["data"]["source"], "kraken");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "kraken: answering again");
}

TEST_F(LiveMarketTest, DataPastTheStaleLimitIs503WithAJsonError) {
    ask("EUR");
    fetcher.answerAll();
    // Every later fetch fails.
    const auto failAll = [this] {
        while (fetcher.pending(".test"))
            fetcher.answer(".test", 0, "", "");
    };
    now = kStart + 600 * kSecond;
    const Answered atLimit = askNow("EUR");
    failAll();
    EXPECT_EQ(atLimit.status(), 200);
    EXPECT_EQ(atLimit.body()["data"]["dataUpdateTime"], std::to_string(kStart));

    now = kStart + 600 * kSecond + 1;
    const Answered past = askNow("EUR");
    ASSERT_EQ(past.status(), 503);
    EXPECT_EQ(past.body()["result"], "error");
    EXPECT_NE(past.body()["error"].get<std::string>().find("EUR"), std::string::npos);
    EXPECT_FALSE(past.reply->retryAfter.empty());
}

TEST_F(LiveMarketTest, RepliesAreReusedWithinASecondAndRemadeWhenFiguresChange) {
    ask("USD");
    fetcher.answerAll();
    const Answered first = askNow("USD");
    const Answered again = askNow("USD");
    EXPECT_EQ(first.reply->body, again.reply->body) << "the same bytes, not a copy";
    now += kSecond;
    const Answered later = askNow("USD");
    EXPECT_NE(later.reply->body, first.reply->body);
    EXPECT_EQ(later.body()["data"]["now"], std::to_string(now));
}

TEST(SourceSchedule, BacksOffExponentiallyWithJitterUpToTenMinutes) {
    const struct {
        double jitter;
        std::vector<int> waits; // seconds after each failure in a row
    } cases[] = {
        {0.0, {15, 30, 60, 120, 240, 300, 300}},
        {0.999999, {30, 60, 120, 240, 480, 600, 600}},
        {0.5, {23, 45, 90, 180, 360, 450, 450}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jitter);
        ticker::SourceSchedule schedule(30 * kSecond, 10 * kSecond, [&] { return c.jitter; });
        Micros now = kStart;
        for (const int wait : c.waits) {
            schedule.started(now);
            schedule.finished(now, false);
            EXPECT_EQ((schedule.next() - now + kSecond / 2) / kSecond, wait); // to the second
            now = schedule.next();
        }
        schedule.started(now);
        schedule.finished(now + kSecond, true);
        EXPECT_EQ(schedule.next(), now + 30 * kSecond) << "a success ends the backoff";
        EXPECT_EQ(schedule.failuresInARow(), 0);
    }
}
