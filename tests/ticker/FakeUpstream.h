#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tickertest {

// The live market's four sources on one loopback server, each at its own path, answering
// with the fixtures until told otherwise. Counts the requests to each path.
class FakeUpstream {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::string retryAfter;
        bool hold = false; // keep the request waiting until release() or the end
    };

    static constexpr const char* kKrakenPath = "/0/public/Ticker";
    static constexpr const char* kBitstampUsdPath = "/api/v2/ticker/btcusd/";
    static constexpr const char* kEcbPath = "/stats/eurofxref/eurofxref-daily.xml";
    static constexpr const char* kCbrPath = "/scripts/XML_daily.asp";

    FakeUpstream();
    ~FakeUpstream();
    FakeUpstream(const FakeUpstream&) = delete;
    FakeUpstream& operator=(const FakeUpstream&) = delete;

    // --upstream NAME=http://127.0.0.1:PORT for all four sources.
    std::vector<std::string> upstreamArgs() const;

    void set(const std::string& path, Answer answer);
    void release();
    size_t count(const std::string& path) const;
    std::map<std::string, size_t> counts() const;
    bool waitForCount(const std::string& path, size_t count,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10)) const;

private:
    httplib::Server m_server;
    int m_port = 0;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::map<std::string, Answer> m_answers;
    std::map<std::string, size_t> m_counts;
    bool m_released = false;
    std::thread m_thread;
};

} // namespace tickertest
