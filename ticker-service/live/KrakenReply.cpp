#include "KrakenReply.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace ticker {

namespace {

using nlohmann::json;

// The fiat of a Kraken pair name for BTC: "XXBTZUSD" and "XBTUSD" give "USD". Empty for
// any other pair (another base, or a quote such as "USDT" that is not one of ours).
std::string_view fiatOfPair(std::string_view pair) {
    for (const std::string_view base : {"XXBTZ", "XXBT", "XBT"}) {
        if (!pair.starts_with(base))
            continue;
        const std::string_view quote = pair.substr(base.size());
        for (const std::string_view fiat : kKrakenFiats) {
            if (quote == fiat)
                return fiat;
        }
        return {};
    }
    return {};
}

// member[index] as a decimal; none when absent, not a string, or not a decimal.
std::optional<Decimal> decimalAt(const json& pair, const char* member, size_t index) {
    const auto found = pair.find(member);
    if (found == pair.end() || !found->is_array() || found->size() <= index ||
        !(*found)[index].is_string())
        return std::nullopt;
    return Decimal::parse((*found)[index].get_ref<const std::string&>());
}

// One pair's ticker, or the reason it cannot be used.
std::optional<Ticker> tickerOf(const json& pair, std::string& error) {
    if (!pair.is_object()) {
        error = "is not an object";
        return std::nullopt;
    }
    // c[0] the last trade; index 1 of h, l, v, p the rolling 24 hours.
    const struct {
        const char* member;
        size_t index;
        Decimal Ticker::*field;
        bool price;
    } fields[] = {
        {"c", 0, &Ticker::last, true}, {"h", 1, &Ticker::high, true},
        {"l", 1, &Ticker::low, true},  {"v", 1, &Ticker::volume, false},
        {"p", 1, &Ticker::vwap, true},
    };
    Ticker ticker;
    for (const auto& field : fields) {
        const auto value = decimalAt(pair, field.member, field.index);
        if (!value || (field.price && !isPrice(value))) {
            error = std::string(field.member) + "[" + std::to_string(field.index) + "] is not a " +
                    (field.price ? "price above zero" : "decimal");
            return std::nullopt;
        }
        ticker.*field.field = *value;
    }
    for (const auto& [member, side] :
         {std::pair{"b", &Ticker::bid}, std::pair{"a", &Ticker::ask}}) {
        if (!pair.contains(member))
            continue;
        const auto value = decimalAt(pair, member, 0);
        if (!isPrice(value)) {
            error = std::string(member) + "[0] is not a price above zero";
            return std::nullopt;
        }
        ticker.*side = value;
    }
    if (ticker.low > ticker.high) {
        error = "has its low above its high";
        return std::nullopt;
    }
    return ticker;
}

} // namespace

std::string krakenPath() {
    std::string path = "/0/public/Ticker?pair=";
    for (const std::string_view fiat : kKrakenFiats) {
        if (fiat != kKrakenFiats[0])
            path += ',';
        path += "XBT";
        path += fiat;
    }
    return path;
}

ByCode<Ticker> parseKrakenTicker(std::string_view body) {
    ByCode<Ticker> out;
    const json reply = json::parse(body, nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) {
        out.errors.push_back("the reply is not a JSON object");
        return out;
    }
    const auto errors = reply.find("error");
    if (errors == reply.end() || !errors->is_array()) {
        out.errors.push_back("the reply has no \"error\" array");
        return out;
    }
    if (!errors->empty()) {
        std::string text;
        for (const json& error : *errors) {
            if (!text.empty())
                text += "; ";
            text += error.is_string() ? error.get<std::string>() : error.dump();
        }
        out.errors.push_back("error: " + text);
        return out;
    }
    const auto result = reply.find("result");
    if (result == reply.end() || !result->is_object()) {
        out.errors.push_back("the reply has no \"result\" object");
        return out;
    }

    std::map<std::string_view, int> seen;
    for (const auto& [name, pair] : result->items()) {
        const std::string_view fiat = fiatOfPair(name);
        if (fiat.empty())
            continue;
        if (++seen[fiat] > 1) {
            out.errors.push_back("two pairs for " + std::string(fiat));
            out.figures.erase(std::string(fiat));
            continue;
        }
        std::string error;
        if (auto ticker = tickerOf(pair, error))
            out.figures.emplace(fiat, *ticker);
        else
            out.errors.push_back(name + " " + error);
    }
    for (const std::string_view fiat : kKrakenFiats) {
        if (!seen.contains(fiat))
            out.errors.push_back("no pair for " + std::string(fiat));
    }
    return out;
}

} // namespace ticker
