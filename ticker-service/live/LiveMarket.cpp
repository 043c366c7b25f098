#include "LiveMarket.h"

#include "BitstampReply.h"
#include "CbrReply.h"
#include "EcbReply.h"
#include "KrakenReply.h"
#include "LiveReply.h"
#include "RetryAfter.h"
#include "StatusReply.h"
#include "TickerReply.h"

#include <algorithm>

namespace ticker {

namespace {

constexpr Micros kMicrosPerSecond = 1'000'000;

template <class Figure>
using FiguresByCode = std::map<std::string, Fetched<Figure>, std::less<>>;

// Keeps what a reply gave, fetched at `at`; gives what it lacked.
template <class Figure>
std::vector<std::string> keep(ByCode<Figure> parsed, Micros at, FiguresByCode<Figure>& into,
                              bool& kept) {
    for (auto& [code, figure] : parsed.figures)
        into[code] = {std::move(figure), at};
    kept = kept || !parsed.figures.empty();
    return std::move(parsed.errors);
}

std::string baseOf(const std::map<std::string, std::string>& bases, const std::string& name) {
    const auto found = bases.find(name);
    std::string base = found != bases.end() ? found->second : liveDefaultBases().at(name);
    while (base.ends_with('/'))
        base.pop_back();
    return base;
}

bool isRateLimit(long status) {
    return status == 429 || status == 418 || status == 503;
}

} // namespace

const std::map<std::string, std::string>& liveDefaultBases() {
    static const std::map<std::string, std::string> bases = {
        {"kraken", "https://api.kraken.com"},
        {"bitstamp", "https://www.bitstamp.net"},
        {"ecb", "https://www.ecb.europa.eu"},
        {"cbr", "https://www.cbr.ru"},
    };
    return bases;
}

struct LiveMarket::Source {
    struct Request {
        std::string url;
        std::string label; // names the request in errors when a source makes several
        // Keeps the figures of a reply; gives what was wrong with it.
        std::function<std::vector<std::string>(std::string_view body, Micros at,
                                               SourceFigures& figures, bool& kept)>
            keep;
    };

    Source(std::string name, Micros interval, Micros minGap, Jitter jitter)
        : name(std::move(name)), schedule(interval, minGap, std::move(jitter)) {}

    std::string name;
    std::vector<Request> requests;
    SourceSchedule schedule;

    // The fetch under way: its requests go one after another.
    size_t next = 0;
    bool kept = false;
    std::vector<std::string> errors;
    std::optional<Micros> notBefore;

    // What /status shows.
    std::optional<Micros> lastSuccess;
    std::optional<Micros> lastErrorAt;
    std::string lastError;
    std::string logged; // the failure last written to the log; empty when answering
};

LiveMarket::LiveMarket(LiveOptions options, std::unique_ptr<MoneyFormat> format, Fetcher& fetcher,
                       Clock clock, Log log, Jitter jitter)
    : m_options(std::move(options)), m_format(std::move(format)), m_fetcher(fetcher),
      m_clock(std::move(clock)), m_log(std::move(log)), m_ready(currencies().size()) {
    const auto& bases = m_options.bases;
    const Micros fresh = m_options.fresh;

    auto kraken = std::make_unique<Source>("kraken", fresh, fresh, jitter);
    kraken->requests.push_back(
        {baseOf(bases, "kraken") + krakenPath(), "",
         [](std::string_view body, Micros at, SourceFigures& figures, bool& kept) {
             return keep(parseKrakenTicker(body), at, figures.kraken, kept);
         }});

    auto bitstamp = std::make_unique<Source>("bitstamp", fresh, fresh, jitter);
    for (const std::string_view fiat : kBitstampFiats) {
        bitstamp->requests.push_back(
            {baseOf(bases, "bitstamp") + bitstampPath(fiat), std::string(fiat),
             [fiat](std::string_view body, Micros at, SourceFigures& figures, bool& kept) {
                 return keep(parseBitstampTicker(fiat, body), at, figures.bitstamp, kept);
             }});
    }

    auto ecb = std::make_unique<Source>("ecb", m_options.rateInterval, fresh, jitter);
    ecb->requests.push_back(
        {baseOf(bases, "ecb") + std::string(kEcbPath), "",
         [](std::string_view body, Micros at, SourceFigures& figures, bool& kept) {
             std::vector<std::string_view> wanted;
             for (const Currency& currency : currencies()) {
                 if (currency.code != "EUR" && currency.code != "RUB")
                     wanted.push_back(currency.code);
             }
             return keep(parseEcbRates(body, wanted), at, figures.ecb, kept);
         }});

    auto cbr = std::make_unique<Source>("cbr", m_options.rateInterval, fresh, jitter);
    cbr->requests.push_back(
        {baseOf(bases, "cbr") + std::string(kCbrPath), "",
         [](std::string_view body, Micros at, SourceFigures& figures, bool& kept) {
             return keep(parseCbrRates(body), at, figures.cbr, kept);
         }});

    m_sources.push_back(std::move(kraken));
    m_sources.push_back(std::move(bitstamp));
    m_sources.push_back(std::move(ecb));
    m_sources.push_back(std::move(cbr));
}

LiveMarket::~LiveMarket() {
    Answers answers;
    {
        std::lock_guard lock(m_lock);
        for (Waiter& waiter : m_waiting)
            answers.emplace_back(std::move(waiter.answer), unavailable(*waiter.currency, 0));
        m_waiting.clear();
    }
    for (auto& [answer, reply] : answers)
        answer(std::move(reply));
}

void LiveMarket::onWaiting(std::function<void(Micros)> notify) {
    std::lock_guard lock(m_lock);
    m_notifyWaiting = std::move(notify);
}

void LiveMarket::ticker(const Currency& currency, Answer answer) {
    Requests requests;
    std::optional<Reply> reply; // the answer, when there is one at once
    std::function<void(Micros)> notify;
    Micros deadline = 0;
    {
        std::lock_guard lock(m_lock);
        const Micros now = m_clock();
        startDue(now, requests);
        reply = readyReply(currency, now);
        if (!reply && anyInFlight()) {
            deadline = now + m_options.coldWait;
            m_waiting.push_back({&currency, std::move(answer), deadline});
            notify = m_notifyWaiting;
        } else if (!reply) {
            reply = unavailable(currency, now);
        }
    }
    if (notify)
        notify(deadline);
    run(std::move(requests), {});
    if (reply)
        answer(std::move(*reply));
}

std::optional<Micros> LiveMarket::expireWaiting() {
    Answers answers;
    std::optional<Micros> next;
    {
        std::lock_guard lock(m_lock);
        answerWaiting(m_clock(), answers);
        for (const Waiter& waiter : m_waiting)
            next = std::min(next.value_or(waiter.deadline), waiter.deadline);
    }
    run({}, std::move(answers));
    return next;
}

std::optional<Reply> LiveMarket::status() {
    std::vector<SourceState> states;
    std::lock_guard lock(m_lock);
    for (const auto& source : m_sources) {
        SourceState state{source->name,
                          {},
                          source->lastSuccess,
                          source->lastErrorAt,
                          source->lastError,
                          source->schedule.next(),
                          source->schedule.inFlight(),
                          source->schedule.failuresInARow()};
        for (const auto& request : source->requests)
            state.urls.push_back(request.url);
        states.push_back(std::move(state));
    }
    return Reply{200, std::make_shared<const std::string>(statusReply(states, m_clock())), {}};
}

void LiveMarket::startDue(Micros now, Requests& requests) {
    for (const auto& source : m_sources) {
        if (!source->schedule.due(now))
            continue;
        source->schedule.started(now);
        source->next = 0;
        source->kept = false;
        source->errors.clear();
        source->notBefore.reset();
        requestNext(*source, requests);
    }
}

void LiveMarket::requestNext(Source& source, Requests& requests) {
    requests.emplace_back(source.requests[source.next].url, [this, &source](FetchResult result) {
        Requests more;
        Answers answers;
        {
            std::lock_guard lock(m_lock);
            received(source, std::move(result), more, answers);
        }
        run(std::move(more), std::move(answers));
    });
}

void LiveMarket::received(Source& source, FetchResult result, Requests& requests,
                          Answers& answers) {
    const Micros now = m_clock();
    const Source::Request& request = source.requests[source.next];
    const std::string prefix = request.label.empty() ? "" : request.label + ": ";
    bool stop = false;
    if (result.status == 200) {
        for (std::string& error : request.keep(result.body, now, m_figures, source.kept))
            source.errors.push_back(std::move(error));
    } else if (result.status == 0) {
        source.errors.push_back(prefix + result.error);
    } else {
        source.errors.push_back(prefix + "HTTP status " + std::to_string(result.status));
        // A source that says it is overloaded is not asked again, for any of its requests,
        // before it allows.
        if (isRateLimit(result.status)) {
            stop = true;
            if (!result.retryAfter.empty())
                source.notBefore = retryAfterMoment(result.retryAfter, now);
        }
    }
    if (!stop && ++source.next < source.requests.size()) {
        requestNext(source, requests);
        return;
    }
    finish(source, now, answers);
}

void LiveMarket::finish(Source& source, Micros now, Answers& answers) {
    source.schedule.finished(now, source.kept, source.notBefore);
    if (source.kept) {
        source.lastSuccess = now;
        ++m_generation;
    }
    std::string errors;
    for (const std::string& error : source.errors)
        errors += (errors.empty() ? "" : "; ") + error;
    if (!errors.empty()) {
        source.lastError = errors;
        source.lastErrorAt = now;
        // One line for each new failure, not one each time the same one comes back.
        if (errors != source.logged && m_log)
            m_log(source.name + ": " + errors);
        source.logged = errors;
    } else if (!source.logged.empty()) {
        if (m_log)
            m_log(source.name + ": answering again");
        source.logged.clear();
    }
    answerWaiting(now, answers);
}

void LiveMarket::answerWaiting(Micros now, Answers& answers) {
    const bool fetching = anyInFlight();
    const bool primaryFetching = m_sources.front()->schedule.inFlight();
    std::erase_if(m_waiting, [&](Waiter& waiter) {
        const bool timeIsUp = now >= waiter.deadline;
        std::string source;
        if (auto reply = readyReply(*waiter.currency, now, &source)) {
            if (primaryFetching && !source.starts_with(m_sources.front()->name) && !timeIsUp)
                return false;
            answers.emplace_back(std::move(waiter.answer), std::move(*reply));
            return true;
        }
        if (!fetching || timeIsUp) {
            answers.emplace_back(std::move(waiter.answer), unavailable(*waiter.currency, now));
            return true;
        }
        return false;
    });
}

std::optional<Reply> LiveMarket::readyReply(const Currency& currency, Micros now,
                                            std::string* source) {
    const auto table = currencies();
    if (&currency < table.data() || &currency >= table.data() + table.size())
        return std::nullopt;
    Ready& ready = m_ready[static_cast<size_t>(&currency - table.data())];
    const int64_t second = now / kMicrosPerSecond;
    if (ready.reply.body && ready.second == second && ready.generation == m_generation &&
        now <= ready.usableUntil) {
        if (source)
            *source = ready.source;
        return ready.reply;
    }

    const auto quote =
        quoteFor(currency.code, m_figures, now, Ages{m_options.stale, m_options.rateAge});
    if (!quote)
        return std::nullopt;
    std::string body = liveTickerReply(currency, *quote, now, *m_format);
    const bool formatted = !body.empty();
    ready.second = second;
    ready.generation = m_generation;
    ready.usableUntil = quote->usableUntil;
    ready.source = quote->source;
    if (source)
        *source = ready.source;
    ready.reply = Reply{formatted ? 200 : 500,
                        std::make_shared<const std::string>(
                            formatted ? std::move(body) : errorReply("cannot format the prices")),
                        {}};
    return ready.reply;
}

Reply LiveMarket::unavailable(const Currency& currency, Micros now) const {
    // Worth asking again once the next fetch can have answered.
    Micros next = now + SourceSchedule::kMaxBackoff;
    for (const auto& source : m_sources)
        next = std::min(next, source->schedule.inFlight() ? now : source->schedule.next());
    const Micros wait = std::max<Micros>(next - now, 0);
    const int64_t seconds = std::max<int64_t>(1, (wait + kMicrosPerSecond - 1) / kMicrosPerSecond);
    const std::string message = "no market data for " + std::string(currency.code) +
                                " younger than " +
                                std::to_string(m_options.stale / kMicrosPerSecond) + " s";
    return Reply{503, std::make_shared<const std::string>(errorReply(message)),
                 std::to_string(seconds)};
}

bool LiveMarket::anyInFlight() const {
    return std::any_of(m_sources.begin(), m_sources.end(),
                       [](const auto& source) { return source->schedule.inFlight(); });
}

void LiveMarket::run(Requests requests, Answers answers) {
    for (auto& [url, done] : requests)
        m_fetcher.get(url, std::move(done));
    for (auto& [answer, reply] : answers)
        answer(std::move(reply));
}

} // namespace ticker
