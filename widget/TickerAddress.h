#pragma once

#include <Foundation/NSObject.h>
#include <Foundation/NSURL.h>

// The exchange's public market-data host, for every currency.
inline constexpr const char* MARKET_DATA_HOST = "market.marrowfin.invalid";

// The ticker address of the currency stored in the settings, by the first row of the
// currency table whose code equals it exactly; null when none does (no value, not a
// string, or a text that is not one of the sixteen codes).
Ref<NSURL> tickerAddressFor(const NSObject* storedCurrency);
