#include "SimulatedMarket.h"

#include "TickerReply.h"

#include <chrono>

namespace ticker {

namespace {

constexpr Micros kMicrosPerSecond = 1'000'000;

Micros systemNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

int64_t secondOf(Micros moment) {
    return moment / kMicrosPerSecond - (moment % kMicrosPerSecond < 0);
}

} // namespace

SimulatedMarket::SimulatedMarket(uint64_t seed, std::unique_ptr<MoneyFormat> format, Clock clock)
    : m_format(std::move(format)), m_clock(clock ? std::move(clock) : Clock(systemNow)),
      m_market(seed), m_ready(currencies().size()) {}

void SimulatedMarket::ticker(const Currency& currency, Answer answer) {
    answer(replyNow(currency));
}

Reply SimulatedMarket::replyNow(const Currency& currency) {
    const Currency* known = findCurrency(currency.code);
    if (!known)
        return {404, std::make_shared<const std::string>(errorReply("not found")), {}};
    std::lock_guard lock(m_lock);
    // Read the clock under the lock, so the market only ever sees the moments in order.
    const Micros now = m_clock();
    Ready& ready = m_ready[static_cast<size_t>(known - currencies().data())];
    if (!ready.reply.body || ready.second != secondOf(now)) {
        ready.second = secondOf(now);
        ready.reply = make(*known, now);
    }
    return ready.reply;
}

Reply SimulatedMarket::make(const Currency& currency, Micros now) {
    std::string body = tickerReply(currency, m_market.snapshotAt(now), *m_format);
    if (body.empty())
        return {
            500, std::make_shared<const std::string>(errorReply("cannot format the prices")), {}};
    return {200, std::make_shared<const std::string>(std::move(body)), {}};
}

} // namespace ticker
