#pragma once

#include "Market.h"
#include "MoneyFormat.h"

#include <httplib.h>

#include <memory>
#include <mutex>

namespace ticker {

// What the service answers, for every request the HTTP server hands it:
//   GET or HEAD /api/2/BTC<CODE>/money/ticker  200 with the ticker reply
//   any other method on such a path            405, "Allow: GET, HEAD"
//   anything else                              404
// Errors carry a JSON body too. Called from the server's pool threads at once; the market
// is the one shared, changing thing, and a mutex guards it.
class TickerRoutes {
public:
    TickerRoutes(uint64_t seed, std::unique_ptr<MoneyFormat> format);

    void answer(const httplib::Request& request, httplib::Response& response);

private:
    MarketSnapshot snapshotNow();

    std::unique_ptr<MoneyFormat> m_format;
    std::mutex m_marketLock;
    Market m_market; // guarded by m_marketLock
};

} // namespace ticker
