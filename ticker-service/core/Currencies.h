#pragma once

#include <span>
#include <string_view>

namespace ticker {

// One fiat currency the service quotes BTC in.
struct Currency {
    std::string_view code;   // "EUR"
    std::string_view locale; // ICU locale whose conventions format its prices: "de_DE"
    double perUsd;           // units of this currency one US dollar buys
};

// The sixteen currencies, in the order the widget's table lists them.
std::span<const Currency> currencies();

// The currency with exactly this code (upper case), or null.
const Currency* findCurrency(std::string_view code);

} // namespace ticker
