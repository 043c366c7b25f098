#pragma once

#include "Figures.h"
#include "Market.h"

#include <optional>
#include <string>
#include <string_view>

namespace ticker {

// A figure and the moment it was fetched.
template <class Figure>
struct Fetched {
    Figure figure;
    Micros at = 0;
};

// The last good figures of every source, by code.
struct SourceFigures {
    std::map<std::string, Fetched<Ticker>, std::less<>> kraken;
    std::map<std::string, Fetched<Ticker>, std::less<>> bitstamp;
    std::map<std::string, Fetched<Rate>, std::less<>> ecb; // units per euro
    std::map<std::string, Fetched<Rate>, std::less<>> cbr; // roubles per unit
};

// How long a figure may be used after it was fetched.
struct Ages {
    Micros ticker = 0; // --stale
    Micros rate = 0;   // exchange rates are daily, and fetched hourly
};

// The ticker for one currency, in that currency, with its prices rounded to the five
// decimals of a reply.
struct Quote {
    Ticker ticker;
    std::string source;     // "kraken", "bitstamp", "kraken+ecb", "bitstamp+cbr", ...
    Micros fetchedAt = 0;   // when the ticker was fetched
    Micros usableUntil = 0; // when its ticker or its rate grows too old
};

inline constexpr int kQuoteDecimals = 5;

// The ticker for `code` from the figures younger than `ages` at `now`:
//   USD EUR GBP CAD JPY CHF AUD  Kraken's pair; else, for USD EUR GBP, Bitstamp's;
//                                else, for the other four, the euro ticker times the ECB rate
//   DKK SEK HKD CNY NZD PLN SGD THB  the euro ticker times the ECB rate
//   RUB                          the dollar ticker times the Bank of Russia's rate
// where the euro and dollar tickers are Kraken's, else Bitstamp's. Prices are converted,
// the volume stays in BTC. None when what it needs is missing or too old.
std::optional<Quote> quoteFor(std::string_view code, const SourceFigures& figures, Micros now,
                              const Ages& ages);

} // namespace ticker
