#include "TickerReply.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

namespace ticker {

namespace {

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                out += escape;
            } else {
                out += c; // UTF-8 passes through as it is
            }
        }
    }
    out += '"';
}

std::string fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

double roundTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// "name":{"value":"...","display":"...","currency":"..."}; false when ICU gave no text.
bool appendAmount(std::string& out, std::string_view name, std::string_view value,
                  const std::string& display, std::string_view currency) {
    if (display.empty())
        return false;
    appendJsonString(out, name);
    out += ":{\"value\":";
    appendJsonString(out, value);
    out += ",\"display\":";
    appendJsonString(out, display);
    out += ",\"currency\":";
    appendJsonString(out, currency);
    out += '}';
    return true;
}

} // namespace

std::string tickerReply(const Currency& currency, const MarketSnapshot& snapshot,
                        const MoneyFormat& format) {
    constexpr int kPriceDecimals = 5;
    constexpr int kVolumeDecimals = 8;
    const std::pair<std::string_view, double> prices[] = {
        {"last", snapshot.last}, {"high", snapshot.high}, {"low", snapshot.low},
        {"avg", snapshot.avg},   {"vwap", snapshot.vwap}, {"buy", snapshot.buy},
        {"sell", snapshot.sell},
    };

    std::string out = "{\"result\":\"success\",\"data\":{";
    for (const auto& [name, dollars] : prices) {
        // The display is made from the rounded amount, so it never disagrees with "value".
        const double amount = roundTo(dollars * currency.perUsd, kPriceDecimals);
        if (!appendAmount(out, name, fixed(amount, kPriceDecimals), format.price(currency, amount),
                          currency.code))
            return {};
        out += ',';
    }
    const double bitcoins = roundTo(snapshot.volume, kVolumeDecimals);
    if (!appendAmount(out, "vol", fixed(bitcoins, kVolumeDecimals),
                      format.volume(currency, bitcoins), "BTC"))
        return {};
    out += ",\"now\":";
    appendJsonString(out, std::to_string(snapshot.now));
    out += ",\"dataUpdateTime\":";
    appendJsonString(out, std::to_string(snapshot.updated));
    out += "}}";
    return out;
}

std::string errorReply(std::string_view message) {
    std::string out = "{\"result\":\"error\",\"error\":";
    appendJsonString(out, message);
    out += '}';
    return out;
}

} // namespace ticker
