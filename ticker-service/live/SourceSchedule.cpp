#include "SourceSchedule.h"

#include <algorithm>

namespace ticker {

SourceSchedule::SourceSchedule(Micros interval, Micros minGap, std::function<double()> jitter)
    : m_interval(interval), m_minGap(minGap), m_jitter(std::move(jitter)) {}

void SourceSchedule::started(Micros now) {
    m_inFlight = true;
    m_started = now;
}

void SourceSchedule::finished(Micros now, bool ok, std::optional<Micros> notBefore) {
    m_inFlight = false;
    const Micros earliest = m_started + m_minGap;
    if (ok) {
        m_failures = 0;
        m_next = std::max(m_started + m_interval, earliest);
    } else {
        ++m_failures;
        Micros backoff = kFirstBackoff;
        for (int i = 1; i < m_failures && backoff < kMaxBackoff; ++i)
            backoff *= 2;
        backoff = std::min(backoff, kMaxBackoff);
        // Half of it fixed, half random: sources that failed together come back apart.
        const double jitter = std::clamp(m_jitter ? m_jitter() : 0.0, 0.0, 1.0);
        const auto spread = static_cast<Micros>(static_cast<double>(backoff / 2) * jitter);
        m_next = std::max(earliest, now + backoff / 2 + spread);
    }
    if (notBefore)
        m_next = std::max(earliest, std::min(*notBefore, now + kMaxRetryAfter));
}

} // namespace ticker
