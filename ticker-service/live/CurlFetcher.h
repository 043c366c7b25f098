#pragma once

#include "Fetcher.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace ticker {

// Fetches over HTTP and HTTPS with libcurl, on a thread of its own: certificates verified
// against the system's store, 5 s to connect and 10 s in all, no redirects followed, replies
// of at most 4 MiB, gzip accepted, a User-Agent that says who asks, and proxies from the
// usual environment variables (libcurl reads them). Destroying it abandons what is in
// flight at once, without calling back.
class CurlFetcher final : public Fetcher {
public:
    static constexpr long kConnectTimeoutMs = 5000;
    static constexpr long kTotalTimeoutMs = 10000;
    static constexpr size_t kMaxBody = 4 << 20;

    explicit CurlFetcher(std::string userAgent);
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    void get(const std::string& url, Done done) override;

private:
    struct Queued {
        std::string url;
        Done done;
    };
    void run();

    const std::string m_userAgent;
    void* m_multi = nullptr; // CURLM*, used by the thread; woken from get() and the destructor
    std::mutex m_lock;
    std::deque<Queued> m_queue; // guarded by m_lock
    bool m_stopping = false;    // guarded by m_lock
    std::thread m_thread;
};

} // namespace ticker
