#pragma once

#include "CurlFetcher.h"
#include "LiveMarket.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace ticker {

// The live market as the service runs it: on the system clock, fetching with libcurl, with a
// timer thread that answers clients whose wait for a first fetch runs out. Stopping (the
// destructor) abandons fetches in flight at once, so a hanging source never holds it up.
class LiveService {
public:
    // Log lines go to `log` (from any thread).
    LiveService(LiveOptions options, std::unique_ptr<MoneyFormat> format, LiveMarket::Log log);
    ~LiveService();
    LiveService(const LiveService&) = delete;
    LiveService& operator=(const LiveService&) = delete;

    ReplySource& source() { return *m_market; }

private:
    void runTimer();

    std::unique_ptr<CurlFetcher> m_fetcher;
    std::unique_ptr<LiveMarket> m_market;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Micros> m_deadline; // guarded by m_lock: when to expire waiting clients
    bool m_stopping = false;          // guarded by m_lock
    std::thread m_timer;
};

} // namespace ticker
