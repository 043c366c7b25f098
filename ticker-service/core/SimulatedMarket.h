#pragma once

#include "Market.h"
#include "MoneyFormat.h"
#include "ReplySource.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ticker {

// The seeded market as a ReplySource: answers every ticker request at once. The market
// moves once a second, so each currency's reply is kept as ready bytes and made again only
// when a request comes in a later second; between two moves every request for a currency
// gets the same bytes.
class SimulatedMarket final : public ReplySource {
public:
    using Clock = std::function<Micros()>;

    // `clock` gives the moment of a request; the system clock when empty. The clock never
    // has to move forward: a moment earlier than the last one is simply another moment.
    SimulatedMarket(uint64_t seed, std::unique_ptr<MoneyFormat> format, Clock clock = {});

    void ticker(const Currency& currency, Answer answer) override;

    // The reply for `currency` at the clock's moment.
    Reply replyNow(const Currency& currency);

private:
    struct Ready {
        int64_t second = 0;
        Reply reply; // no body until first made
    };

    Reply make(const Currency& currency, Micros now);

    std::unique_ptr<MoneyFormat> m_format;
    Clock m_clock;
    std::mutex m_lock;
    Market m_market;            // guarded by m_lock
    std::vector<Ready> m_ready; // one for each of currencies(), in its order; guarded by m_lock
};

} // namespace ticker
