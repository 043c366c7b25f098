#include "Market.h"

#include <algorithm>

namespace desktoptest {

namespace {

const char* const kCodes[] = {"USD", "GBP", "AUD", "CAD", "DKK", "CHF", "CNY", "EUR",
                              "HKD", "JPY", "NZD", "PLN", "RUB", "SEK", "SGD", "THB"};

std::string money(int amount) {
    return "$" + std::to_string(amount) + ".00";
}

} // namespace

Market::Market() {
    for (const char* code : kCodes) {
        peer.on(tickerPath(code), [this](const test::HttpRequest&, test::HttpConn& conn) {
            const int now = price.load();
            const std::string body =
                R"({"data":{"last":{"display":")" + money(now) + R"("},"high":{"display":")" +
                money(now + 1) + R"("},"low":{"display":")" + money(now - 1) +
                R"("},"vol":{"value":"742.6"},"avg":{"display":")" + money(now) + R"("}}})";
            conn.send(test::HttpPeer::response(200, body));
        });
    }
}

std::string Market::lastPriceLine() const {
    return "Last price: " + money(price.load()) + " / BTC";
}

std::string Market::tickerPath(const std::string& code) {
    return "/api/2/BTC" + code + "/money/ticker";
}

std::size_t Market::requestsFor(const std::string& code) const {
    const std::vector<test::HttpRequest> seen = peer.requests();
    return static_cast<std::size_t>(std::count_if(seen.begin(), seen.end(), [&](const auto& r) {
        return r.path.rfind(tickerPath(code), 0) == 0;
    }));
}

} // namespace desktoptest
