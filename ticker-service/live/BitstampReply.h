#pragma once

#include "Figures.h"

#include <string_view>

namespace ticker {

// The fiats asked of Bitstamp, one request each.
inline constexpr std::string_view kBitstampFiats[] = {"USD", "EUR", "GBP"};

// The request path for one fiat ("/api/v2/ticker/btcusd/"), appended to Bitstamp's base.
std::string bitstampPath(std::string_view fiat);

// Bitstamp's ticker reply for `fiat`: {"last":"61000.1","high":"...","low":"...",
// "volume":"...","vwap":"...","bid":"...","ask":"...","timestamp":"1709296496",...}, every
// figure a decimal string. Anything else (an error object, a missing or mistyped figure)
// gives no figure and one error.
ByCode<Ticker> parseBitstampTicker(std::string_view fiat, std::string_view body);

} // namespace ticker
