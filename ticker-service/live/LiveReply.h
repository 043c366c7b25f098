#pragma once

#include "Currencies.h"
#include "MoneyFormat.h"
#include "Quotes.h"

#include <string>

namespace ticker {

// The ticker reply for `currency` from a quote, in the simulated market's shape, with two
// more texts: "source" (where the figures came from) and "dataUpdateTime" (when its ticker
// was fetched, in microseconds). "avg" and "vwap" are both the volume-weighted average,
// the only average the exchanges give; "buy" and "sell" are there when the source gave the
// book. Empty when a display text cannot be made.
std::string liveTickerReply(const Currency& currency, const Quote& quote, Micros now,
                            const MoneyFormat& format);

} // namespace ticker
