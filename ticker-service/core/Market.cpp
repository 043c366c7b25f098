#include "Market.h"

#include <algorithm>

namespace ticker {

namespace {

constexpr int64_t kMinute = 60;
constexpr Micros kMicrosPerSecond = 1'000'000;
// Half the bid-ask spread, as a fraction of the last price.
constexpr double kHalfSpread = 0.00015;

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

void Market::Bucket::add(double price, double tradeVolume) {
    if (trades == 0) {
        high = low = price;
    } else {
        high = std::max(high, price);
        low = std::min(low, price);
    }
    priceSum += price;
    priceVolumeSum += price * tradeVolume;
    volume += tradeVolume;
    ++trades;
}

void Market::Bucket::merge(const Bucket& other) {
    if (other.trades == 0)
        return;
    if (trades == 0) {
        high = other.high;
        low = other.low;
    } else {
        high = std::max(high, other.high);
        low = std::min(low, other.low);
    }
    priceSum += other.priceSum;
    priceVolumeSum += other.priceVolumeSum;
    volume += other.volume;
    trades += other.trades;
}

Market::Bucket& Market::slot(int64_t minute) {
    return m_ring[static_cast<size_t>(minute - floorDiv(minute, kWindowMinutes) * kWindowMinutes)];
}

Market::Bucket Market::wholeMinute(int64_t minute) const {
    Bucket bucket;
    for (int64_t s = minute * kMinute; s < (minute + 1) * kMinute; ++s)
        bucket.add(m_path.priceAt(s), m_path.volumeAt(s));
    return bucket;
}

void Market::extendOpenMinute(int64_t toSecond) {
    for (int64_t s = m_second + 1; s <= toSecond; ++s)
        m_open.add(m_path.priceAt(s), m_path.volumeAt(s));
    m_second = toSecond;
}

// Always summed oldest first, so the result never depends on how the ring got here.
void Market::sumClosedMinutes() {
    m_closed = Bucket{};
    for (int64_t minute = m_minute - (kWindowMinutes - 1); minute < m_minute; ++minute)
        m_closed.merge(slot(minute));
}

void Market::rebuild(int64_t second) {
    m_minute = floorDiv(second, kMinute);
    for (int64_t minute = m_minute - (kWindowMinutes - 1); minute < m_minute; ++minute)
        slot(minute) = wholeMinute(minute);
    m_open = Bucket{};
    m_second = m_minute * kMinute - 1;
    extendOpenMinute(second);
    sumClosedMinutes();
    m_started = true;
}

void Market::moveTo(int64_t second) {
    const int64_t minute = floorDiv(second, kMinute);
    if (!m_started || minute < m_minute || minute - m_minute >= kWindowMinutes) {
        // First use, a clock that went back past the open minute, or a jump past the window.
        rebuild(second);
        return;
    }
    if (minute == m_minute) {
        if (second < m_second) {
            // Back within the open minute: sum it again from its start.
            m_open = Bucket{};
            m_second = m_minute * kMinute - 1;
        }
        extendOpenMinute(second);
        return;
    }
    // Close the open minute, fill the minutes skipped over, open the new one.
    extendOpenMinute((m_minute + 1) * kMinute - 1);
    slot(m_minute) = m_open;
    for (int64_t skipped = m_minute + 1; skipped < minute; ++skipped)
        slot(skipped) = wholeMinute(skipped);
    m_minute = minute;
    m_open = Bucket{};
    m_second = m_minute * kMinute - 1;
    extendOpenMinute(second);
    sumClosedMinutes();
}

MarketSnapshot Market::snapshotAt(Micros now) {
    const int64_t second = floorDiv(now, kMicrosPerSecond);
    moveTo(second);

    Bucket window = m_closed;
    window.merge(m_open);

    MarketSnapshot snapshot;
    snapshot.last = m_path.priceAt(second);
    snapshot.high = window.high;
    snapshot.low = window.low;
    // The means lie between low and high; clamping only removes rounding dust.
    snapshot.avg =
        std::clamp(window.priceSum / static_cast<double>(window.trades), window.low, window.high);
    snapshot.vwap = std::clamp(window.priceVolumeSum / window.volume, window.low, window.high);
    snapshot.buy = snapshot.last * (1.0 - kHalfSpread);
    snapshot.sell = snapshot.last * (1.0 + kHalfSpread);
    snapshot.volume = window.volume;
    snapshot.now = now;
    snapshot.updated = second * kMicrosPerSecond;
    return snapshot;
}

} // namespace ticker
