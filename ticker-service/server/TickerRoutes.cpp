#include "TickerRoutes.h"

#include "Currencies.h"
#include "TickerReply.h"

#include <chrono>
#include <string_view>

namespace ticker {

namespace {

constexpr std::string_view kJson = "application/json";

// The currency of a ticker path, or null for any other path.
const Currency* tickerCurrency(std::string_view path) {
    constexpr std::string_view prefix = "/api/2/BTC";
    constexpr std::string_view suffix = "/money/ticker";
    if (path.size() != prefix.size() + 3 + suffix.size() || !path.starts_with(prefix) ||
        !path.ends_with(suffix))
        return nullptr;
    return findCurrency(path.substr(prefix.size(), 3));
}

void fail(httplib::Response& response, int status, std::string_view message) {
    response.status = status;
    response.set_content(errorReply(message), kJson.data());
}

} // namespace

TickerRoutes::TickerRoutes(uint64_t seed, std::unique_ptr<MoneyFormat> format)
    : m_format(std::move(format)), m_market(seed) {}

MarketSnapshot TickerRoutes::snapshotNow() {
    std::lock_guard lock(m_marketLock);
    // Read the clock under the lock, so the market only ever sees time move forward.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return m_market.snapshotAt(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void TickerRoutes::answer(const httplib::Request& request, httplib::Response& response) {
    const Currency* currency = tickerCurrency(request.path);
    if (!currency)
        return fail(response, 404, "not found"); // the path is not echoed: it may not be UTF-8
    if (request.method != "GET" && request.method != "HEAD") {
        response.set_header("Allow", "GET, HEAD");
        return fail(response, 405, "method not allowed");
    }
    const std::string body = tickerReply(*currency, snapshotNow(), *m_format);
    if (body.empty())
        return fail(response, 500, "cannot format the prices");
    response.status = 200;
    // For HEAD the server sends the headers of this body, Content-Length included, and no body.
    response.set_content(body, kJson.data());
}

} // namespace ticker
