#pragma once

#include "Figures.h"

#include <string_view>

namespace ticker {

// The fiats asked of Kraken, in one request.
inline constexpr std::string_view kKrakenFiats[] = {"USD", "EUR", "GBP", "CAD",
                                                    "JPY", "CHF", "AUD"};

// The request path, appended to Kraken's base.
std::string krakenPath();

// Kraken's ticker reply: {"error":[],"result":{"XXBTZUSD":{"c":["last","lot"],"h":["today",
// "24h"],"l":[...],"v":[...],"p":[...],"a":["ask",...],"b":["bid",...]},...}}. Its result keys
// are Kraken's own pair names (XXBTZUSD, XBTCHF), so each is mapped by the fiat it ends in.
// A pair that is missing or malformed is left out with an error; a reply that is not this
// object, or has anything in "error", gives no figures at all.
ByCode<Ticker> parseKrakenTicker(std::string_view body);

} // namespace ticker
