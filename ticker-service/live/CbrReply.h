#pragma once

#include "Figures.h"

#include <string_view>

namespace ticker {

// The request path of the Bank of Russia's daily rates, appended to its base.
inline constexpr std::string_view kCbrPath = "/scripts/XML_daily.asp";

// The Bank of Russia's daily rates, in windows-1251 as its declaration says:
// <ValCurs Date="01.03.2024"><Valute ID="R01235"><CharCode>USD</CharCode><Nominal>1</Nominal>
// <Value>91,2345</Value>...</Valute>...</ValCurs>, with comma decimals; Value roubles buy
// Nominal units. Gives the rate for USD (roubles per `per` dollars), or an error: the reply
// is not XML in a known encoding, has no USD entry, or its Value or Nominal is not above zero.
ByCode<Rate> parseCbrRates(std::string_view body);

} // namespace ticker
