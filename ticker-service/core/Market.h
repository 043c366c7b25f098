#pragma once

#include "PricePath.h"

#include <array>
#include <cstdint>

namespace ticker {

// Microseconds since the Unix epoch.
using Micros = int64_t;

// The market at one moment, in US dollars and bitcoins.
struct MarketSnapshot {
    double last = 0;    // price of the trade in the current second
    double high = 0;    // highest trade in the window
    double low = 0;     // lowest trade in the window
    double avg = 0;     // mean trade price in the window
    double vwap = 0;    // volume-weighted mean price in the window
    double buy = 0;     // best bid
    double sell = 0;    // best ask
    double volume = 0;  // bitcoins traded in the window
    Micros now = 0;     // the moment asked for
    Micros updated = 0; // start of the second of the last trade
};

// The rolling 24-hour statistics over a PricePath: the window is the current minute up to
// the current second and the 1439 whole minutes before it. Whole minutes are summed once,
// into a ring of buckets, and the ring moves on as the clock does, so a snapshot in a new
// second costs one trade and a new minute a few thousand additions. Not thread-safe.
//
// The numbers depend only on the seed and the moment: whatever moments were asked for
// before, the same moment gives the same snapshot, bit for bit.
class Market {
public:
    static constexpr int kWindowMinutes = 1440;

    explicit Market(uint64_t seed) : m_path(seed) {}

    // The clock is the caller's: the service passes the system clock, tests any moment.
    MarketSnapshot snapshotAt(Micros now);

    const PricePath& path() const { return m_path; }

private:
    struct Bucket {
        double high = 0;
        double low = 0;
        double priceSum = 0;
        double priceVolumeSum = 0;
        double volume = 0;
        int64_t trades = 0;
        void add(double price, double volume);
        void merge(const Bucket& other);
    };

    void moveTo(int64_t second);
    void rebuild(int64_t second);
    void extendOpenMinute(int64_t toSecond);
    Bucket wholeMinute(int64_t minute) const;
    void sumClosedMinutes();
    Bucket& slot(int64_t minute);

    PricePath m_path;
    bool m_started = false;
    int64_t m_minute = 0; // the open minute
    int64_t m_second = 0; // the last second summed into the open minute
    Bucket m_open;        // the open minute up to m_second
    Bucket m_closed;      // the whole minutes of the window
    std::array<Bucket, kWindowMinutes> m_ring;
};

} // namespace ticker
