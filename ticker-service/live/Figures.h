#pragma once

#include "Decimal.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ticker {

// One BTC ticker in one fiat, as an exchange gives it: prices in the fiat, volume in BTC.
struct Ticker {
    Decimal last;
    Decimal high; // rolling 24 hours
    Decimal low;
    Decimal volume;
    Decimal vwap;
    std::optional<Decimal> bid; // not every source gives the book
    std::optional<Decimal> ask;
};

// An exchange rate: `value` units of the quoted currency buy `per` units of the base one.
struct Rate {
    Decimal value;
    int64_t per = 1;
};

// What one upstream reply gave, by currency code. `errors` names what the reply lacked or
// got wrong, one line each: all of it when `figures` is empty, else the codes left out.
template <class Figure>
struct ByCode {
    std::map<std::string, Figure, std::less<>> figures;
    std::vector<std::string> errors;
};

// Checks shared by the parsers: a price or a rate must be above zero.
inline bool isPrice(const std::optional<Decimal>& value) {
    return value && !value->isZero();
}

} // namespace ticker
