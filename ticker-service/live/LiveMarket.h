#pragma once

#include "Fetcher.h"
#include "MoneyFormat.h"
#include "Quotes.h"
#include "ReplySource.h"
#include "SourceSchedule.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ticker {

struct LiveOptions {
    static constexpr Micros kSecond = 1'000'000;

    // Base URLs by source name ("kraken", "bitstamp", "ecb", "cbr"); a source left out
    // keeps its public host.
    std::map<std::string, std::string> bases;
    Micros fresh = 30 * kSecond;          // an exchange is asked at most this often
    Micros stale = 600 * kSecond;         // a ticker older than this is not served
    Micros rateInterval = 3600 * kSecond; // an exchange-rate source is asked at most this often
    Micros rateAge = 24 * 3600 * kSecond; // a rate older than this is not used
    Micros coldWait = 3 * kSecond;        // how long a client without data waits for a fetch
};

// The public host of each source.
const std::map<std::string, std::string>& liveDefaultBases();

// The live market as a ReplySource: every reply made from the last good figures of Kraken,
// Bitstamp, the ECB and the Bank of Russia (see Quotes.h for which figure comes from where).
//
// Sources are asked on demand: a ticker request starts a fetch of each source that its
// schedule allows (see SourceSchedule.h), and is answered at once from the figures in hand.
// A request that finds no usable figures waits while a fetch is in flight, up to
// `coldWait`, and then gets 503 with a JSON error body, as it does at once when nothing is
// in flight. While it waits, a fallback's figures answer it only once Kraken is no longer
// in flight (or its time is up), so a cold start shows the primary source's price. However many
// clients ask, each source has at most one request in flight; Bitstamp's three tickers are fetched
// one after another.
//
// Thread-safe: the server's threads and the fetcher's call in at once. Answers and fetches
// are started outside the lock. The clock is the caller's, so tests drive time.
class LiveMarket final : public ReplySource {
public:
    using Clock = std::function<Micros()>;
    using Log = std::function<void(const std::string&)>;
    using Jitter = std::function<double()>;

    LiveMarket(LiveOptions options, std::unique_ptr<MoneyFormat> format, Fetcher& fetcher,
               Clock clock, Log log, Jitter jitter);
    // Clients still waiting get their 503.
    ~LiveMarket() override;

    void ticker(const Currency& currency, Answer answer) override;
    std::optional<Reply> status() override;

    // Answers the clients that have waited their time out. Gives the deadline of the next
    // one still waiting, if any.
    std::optional<Micros> expireWaiting();
    // Told the deadline of each client that starts waiting (from the caller's thread), so
    // that a timer can call expireWaiting() then.
    void onWaiting(std::function<void(Micros deadline)> notify);

private:
    struct Source;
    struct Waiter {
        const Currency* currency;
        Answer answer;
        Micros deadline;
    };
    struct Ready {
        int64_t second = -1;
        uint64_t generation = 0;
        Micros usableUntil = 0;
        std::string source; // the quote's
        Reply reply;
    };
    using Answers = std::vector<std::pair<Answer, Reply>>;
    using Requests = std::vector<std::pair<std::string, Fetcher::Done>>;

    void startDue(Micros now, Requests& requests);
    void requestNext(Source& source, Requests& requests);
    void received(Source& source, FetchResult result, Requests& requests, Answers& answers);
    void finish(Source& source, Micros now, Answers& answers);
    void answerWaiting(Micros now, Answers& answers);
    // The reply for `currency` from the figures in hand, made again when they changed or
    // the second did; none when they give no quote. `source` tells where it came from.
    std::optional<Reply> readyReply(const Currency& currency, Micros now,
                                    std::string* source = nullptr);
    Reply unavailable(const Currency& currency, Micros now) const;
    bool anyInFlight() const;
    void run(Requests requests, Answers answers);

    const LiveOptions m_options;
    const std::unique_ptr<MoneyFormat> m_format;
    Fetcher& m_fetcher;
    const Clock m_clock;
    const Log m_log;

    std::mutex m_lock; // guards everything below
    std::vector<std::unique_ptr<Source>> m_sources;
    SourceFigures m_figures;
    uint64_t m_generation = 0;  // moves on whenever m_figures changes
    std::vector<Ready> m_ready; // by position in currencies()
    std::vector<Waiter> m_waiting;
    std::function<void(Micros)> m_notifyWaiting;
};

} // namespace ticker
