#include "FakeUpstream.h"

#include "LiveFixtures.h"

namespace tickertest {

FakeUpstream::FakeUpstream() {
    m_answers[kKrakenPath] = {200, std::string(livefixture::kKraken), "", false};
    m_answers[kBitstampUsdPath] = {200, std::string(livefixture::kBitstampUsd), "", false};
    m_answers["/api/v2/ticker/btceur/"] = {200, std::string(livefixture::kBitstampEur), "", false};
    m_answers["/api/v2/ticker/btcgbp/"] = {200, std::string(livefixture::kBitstampGbp), "", false};
    m_answers[kEcbPath] = {200, std::string(livefixture::kEcb), "", false};
    m_answers[kCbrPath] = {200, livefixture::kCbr, "", false};

    m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        std::unique_lock lock(m_lock);
        ++m_counts[request.path];
        m_changed.notify_all();
        const auto found = m_answers.find(request.path);
        if (found == m_answers.end()) {
            response.status = 404;
            return;
        }
        const Answer answer = found->second;
        if (answer.hold)
            m_changed.wait(lock, [this] { return m_released; });
        response.status = answer.status;
        if (!answer.retryAfter.empty())
            response.set_header("Retry-After", answer.retryAfter);
        response.set_content(answer.body, "application/octet-stream");
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    // Bound is listening: connections wait in the backlog until the loop accepts them.
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
}

FakeUpstream::~FakeUpstream() {
    release();
    m_server.stop();
    m_thread.join();
}

std::vector<std::string> FakeUpstream::upstreamArgs() const {
    std::vector<std::string> args;
    for (const char* name : {"kraken", "bitstamp", "ecb", "cbr"}) {
        args.push_back("--upstream");
        args.push_back(std::string(name) + "=http://127.0.0.1:" + std::to_string(m_port));
    }
    return args;
}

void FakeUpstream::set(const std::string& path, Answer answer) {
    std::lock_guard lock(m_lock);
    m_answers[path] = std::move(answer);
}

void FakeUpstream::release() {
    std::lock_guard lock(m_lock);
    m_released = true;
    m_changed.notify_all();
}

size_t FakeUpstream::count(const std::string& path) const {
    std::lock_guard lock(m_lock);
    const auto found = m_counts.find(path);
    return found == m_counts.end() ? 0 : found->second;
}

std::map<std::string, size_t> FakeUpstream::counts() const {
    std::lock_guard lock(m_lock);
    return m_counts;
}

bool FakeUpstream::waitForCount(const std::string& path, size_t count,
                                std::chrono::milliseconds deadline) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, deadline, [&] {
        const auto found = m_counts.find(path);
        return found != m_counts.end() && found->second >= count;
    });
}

} // namespace tickertest
