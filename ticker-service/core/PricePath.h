#pragma once

#include <cstdint>

namespace ticker {

// The simulated market's trades, one per second, as a pure function of a seed and the
// second's index (whole seconds since the Unix epoch). Any second can be asked for in any
// order, from any number of processes, and always gives the same trade.
//
// The dollar price is a random walk in log space: anchors every 2^22 seconds (about seven
// weeks) are drawn around a seeded base price, and the walk between two anchors is the
// Brownian bridge joining them, laid down by midpoint displacement. Finding one second's
// price walks down the 22 levels of that bridge, so it costs a few dozen hash steps.
class PricePath {
public:
    explicit PricePath(uint64_t seed);

    // Price in US dollars of the trade in that second.
    double priceAt(int64_t second) const;
    // Bitcoins traded in that second, always above zero.
    double volumeAt(int64_t second) const;

private:
    double anchor(int64_t index) const;

    uint64_t m_seed;
    double m_logBase;
};

} // namespace ticker
