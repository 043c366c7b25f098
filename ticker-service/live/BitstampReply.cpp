#include "BitstampReply.h"

#include <nlohmann/json.hpp>

namespace ticker {

namespace {

using nlohmann::json;

// A string member as a decimal; none when absent, not a string, or not a decimal.
std::optional<Decimal> decimalMember(const json& reply, const char* member) {
    const auto found = reply.find(member);
    if (found == reply.end() || !found->is_string())
        return std::nullopt;
    return Decimal::parse(found->get_ref<const std::string&>());
}

} // namespace

std::string bitstampPath(std::string_view fiat) {
    std::string path = "/api/v2/ticker/btc";
    for (const char c : fiat)
        path += static_cast<char>(c - 'A' + 'a');
    return path + "/";
}

ByCode<Ticker> parseBitstampTicker(std::string_view fiat, std::string_view body) {
    ByCode<Ticker> out;
    const json reply = json::parse(body, nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) {
        out.errors.push_back(std::string(fiat) + ": the reply is not a JSON object");
        return out;
    }
    const struct {
        const char* member;
        Decimal Ticker::*field;
        bool price;
    } fields[] = {
        {"last", &Ticker::last, true}, {"high", &Ticker::high, true},
        {"low", &Ticker::low, true},   {"volume", &Ticker::volume, false},
        {"vwap", &Ticker::vwap, true},
    };
    Ticker ticker;
    for (const auto& field : fields) {
        const auto value = decimalMember(reply, field.member);
        if (!value || (field.price && !isPrice(value))) {
            out.errors.push_back(std::string(fiat) + ": \"" + field.member + "\" is not a " +
                                 (field.price ? "price above zero" : "decimal"));
            return out;
        }
        ticker.*field.field = *value;
    }
    for (const auto& [member, side] :
         {std::pair{"bid", &Ticker::bid}, std::pair{"ask", &Ticker::ask}}) {
        if (!reply.contains(member))
            continue;
        const auto value = decimalMember(reply, member);
        if (!isPrice(value)) {
            out.errors.push_back(std::string(fiat) + ": \"" + member +
                                 "\" is not a price above zero");
            return out;
        }
        ticker.*side = value;
    }
    if (ticker.low > ticker.high) {
        out.errors.push_back(std::string(fiat) + ": its low is above its high");
        return out;
    }
    out.figures.emplace(fiat, ticker);
    return out;
}

} // namespace ticker
