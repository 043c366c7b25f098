#include "LiveService.h"

#include <curl/curl.h>

#include <chrono>
#include <random>

namespace ticker {

namespace {

Micros systemNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string userAgent() {
    return "marrowfin-ticker-service/0.1 (a household BTC ticker gateway; one request per "
           "source at a time, at most every few tens of seconds; " +
           std::string(curl_version()) + ")";
}

} // namespace

LiveService::LiveService(LiveOptions options, std::unique_ptr<MoneyFormat> format,
                         LiveMarket::Log log)
    : m_fetcher(std::make_unique<CurlFetcher>(userAgent())) {
    // Called under the market's lock, so one generator serves every source.
    auto random = std::make_shared<std::mt19937_64>(std::random_device{}());
    auto jitter = [random] { return std::uniform_real_distribution<double>(0, 1)(*random); };
    m_market = std::make_unique<LiveMarket>(std::move(options), std::move(format), *m_fetcher,
                                            systemNow, std::move(log), std::move(jitter));
    m_market->onWaiting([this](Micros deadline) {
        std::lock_guard lock(m_lock);
        if (!m_deadline || deadline < *m_deadline) {
            m_deadline = deadline;
            m_wake.notify_one();
        }
    });
    m_timer = std::thread([this] { runTimer(); });
}

LiveService::~LiveService() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        m_wake.notify_one();
    }
    m_timer.join();
    m_fetcher.reset(); // no more fetch results after this
    m_market.reset();  // answers whoever still waits
}

void LiveService::runTimer() {
    std::unique_lock lock(m_lock);
    while (!m_stopping) {
        if (!m_deadline) {
            m_wake.wait(lock);
            continue;
        }
        const auto at =
            std::chrono::system_clock::time_point(std::chrono::microseconds(*m_deadline));
        if (m_wake.wait_until(lock, at) == std::cv_status::no_timeout && !m_stopping &&
            std::chrono::system_clock::now() < at)
            continue; // an earlier deadline, or a spurious wake
        if (m_stopping)
            break;
        m_deadline.reset();
        lock.unlock();
        const std::optional<Micros> next = m_market->expireWaiting();
        lock.lock();
        if (next && (!m_deadline || *next < *m_deadline))
            m_deadline = next;
    }
}

} // namespace ticker
