#pragma once

#include "Market.h"

#include <functional>
#include <optional>

namespace ticker {

// When one source may be asked next: never while a request to it is in flight, never twice
// within `minGap`, after a good reply not before `interval` has passed since the request,
// after a failure not before the moment the source named (Retry-After) or else an
// exponential backoff with jitter: 15 to 30 s after the first failure in a row, doubling up
// to 5 to 10 min. The clock is the caller's.
class SourceSchedule {
public:
    static constexpr Micros kFirstBackoff = 30'000'000;
    static constexpr Micros kMaxBackoff = 600'000'000;
    // A Retry-After further away than this is taken as this.
    static constexpr Micros kMaxRetryAfter = 86'400'000'000;

    // `jitter` gives a number in [0, 1).
    SourceSchedule(Micros interval, Micros minGap, std::function<double()> jitter);

    bool due(Micros now) const { return !m_inFlight && now >= m_next; }
    void started(Micros now);
    // The request that started last has ended: `ok` when it gave figures. `notBefore` is the
    // moment a rate-limited source asked us to wait for.
    void finished(Micros now, bool ok, std::optional<Micros> notBefore = std::nullopt);

    bool inFlight() const { return m_inFlight; }
    // The earliest moment of the next request.
    Micros next() const { return m_next; }
    int failuresInARow() const { return m_failures; }

private:
    Micros m_interval;
    Micros m_minGap;
    std::function<double()> m_jitter;
    bool m_inFlight = false;
    Micros m_started = 0;
    Micros m_next = 0;
    int m_failures = 0;
};

} // namespace ticker
