#include "TickerReply.h"

#include "JsonText.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

namespace ticker {

namespace {

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

} // namespace

std::string successReply(std::span<const ReplyAmount> amounts,
                         std::span<const std::pair<std::string_view, std::string>> texts) {
    std::string out = "{\"result\":\"success\",\"data\":{";
    bool first = true;
    for (const ReplyAmount& amount : amounts) {
        if (amount.display.empty())
            return {};
        if (!std::exchange(first, false))
            out += ',';
        appendJsonString(out, amount.name);
        out += ":{\"value\":";
        appendJsonString(out, amount.value);
        out += ",\"display\":";
        appendJsonString(out, amount.display);
        out += ",\"currency\":";
        appendJsonString(out, amount.currency);
        out += '}';
    }
    for (const auto& [name, text] : texts) {
        if (!std::exchange(first, false))
            out += ',';
        appendJsonString(out, name);
        out += ':';
        appendJsonString(out, text);
    }
    out += "}}";
    return out;
}

std::string tickerReply(const Currency& currency, const MarketSnapshot& snapshot,
                        const MoneyFormat& format) {
    constexpr int kPriceDecimals = 5;
    constexpr int kVolumeDecimals = 8;
    const std::pair<std::string_view, double> prices[] = {
        {"last", snapshot.last}, {"high", snapshot.high}, {"low", snapshot.low},
        {"avg", snapshot.avg},   {"vwap", snapshot.vwap}, {"buy", snapshot.buy},
        {"sell", snapshot.sell},
    };

    std::vector<ReplyAmount> amounts;
    for (const auto& [name, dollars] : prices) {
        // The display is made from the rounded amount, so it never disagrees with "value".
        const double amount = roundTo(dollars * currency.perUsd, kPriceDecimals);
        amounts.push_back(
            {name, fixed(amount, kPriceDecimals), format.price(currency, amount), currency.code});
    }
    const double bitcoins = roundTo(snapshot.volume, kVolumeDecimals);
    amounts.push_back(
        {"vol", fixed(bitcoins, kVolumeDecimals), format.volume(currency, bitcoins), "BTC"});
    const std::pair<std::string_view, std::string> texts[] = {
        {"now", std::to_string(snapshot.now)},
        {"dataUpdateTime", std::to_string(snapshot.updated)},
    };
    return successReply(amounts, texts);
}

std::string errorReply(std::string_view message) {
    std::string out = "{\"result\":\"error\",\"error\":";
    appendJsonString(out, message);
    out += '}';
    return out;
}

} // namespace ticker
