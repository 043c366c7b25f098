#pragma once

#include "Currencies.h"
#include "Market.h"
#include "MoneyFormat.h"

#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace ticker {

// One amount of a ticker reply: "name":{"value":"...","display":"...","currency":"..."}.
struct ReplyAmount {
    std::string_view name;
    std::string value;   // the amount as a plain decimal: "43012.55000"
    std::string display; // the same amount as the currency's locale writes it
    std::string_view currency;
};

// {"result":"success","data":{<amounts>,<texts as "name":"text">}}. Empty when a display
// text is empty (ICU could not make it).
std::string successReply(std::span<const ReplyAmount> amounts,
                         std::span<const std::pair<std::string_view, std::string>> texts);

// The JSON body answering a ticker request for `currency` (UTF-8):
//   {"result":"success","data":{"last":{"value":"43012.55000","display":"$43,012.55",
//    "currency":"USD"},"high":{...},"low":{...},"avg":{...},"vwap":{...},"buy":{...},
//    "sell":{...},"vol":{"value":"1234.56789012","display":"1,234.57 BTC","currency":"BTC"},
//    "now":"<microseconds>","dataUpdateTime":"<microseconds>"}}
// Prices are the snapshot's dollar figures at the currency's rate; each "value" is the
// amount to five decimals and "display" the same amount as the currency's locale writes it.
// Empty when a display text cannot be made.
std::string tickerReply(const Currency& currency, const MarketSnapshot& snapshot,
                        const MoneyFormat& format);

// {"result":"error","error":"<message>"}
std::string errorReply(std::string_view message);

} // namespace ticker
