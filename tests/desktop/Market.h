#pragma once

#include "HttpPeer.h"

#include <atomic>
#include <string>

namespace desktoptest {

// A scripted market on a loopback peer: every currency's ticker path answers a reply whose
// prices follow `price`, which a test changes while the host runs.
class Market {
public:
    Market();

    std::atomic<int> price{13};
    test::HttpPeer peer;

    // "Last price: $13.00 / BTC" for the current price, as the widget shows it in dollars.
    std::string lastPriceLine() const;
    // The path of the currency's ticker ("/api/2/BTCUSD/money/ticker").
    static std::string tickerPath(const std::string& code);
    // How many requests asked for the currency's ticker.
    std::size_t requestsFor(const std::string& code) const;
};

} // namespace desktoptest
