#pragma once

#include "Figures.h"

#include <span>
#include <string_view>

namespace ticker {

// The request path of the ECB's daily reference rates, appended to its base.
inline constexpr std::string_view kEcbPath = "/stats/eurofxref/eurofxref-daily.xml";

// The ECB's daily reference rates: <gesmes:Envelope>...<Cube><Cube time="2024-03-01">
// <Cube currency="USD" rate="1.0856"/>...</Cube></Cube></gesmes:Envelope>, each rate in
// units of the currency per euro. `wanted` are the codes looked for: each one missing or
// with a rate that is not a decimal above zero is left out with an error. A reply that is
// not well-formed XML, or holds no rates, gives no figures at all.
ByCode<Rate> parseEcbRates(std::string_view body, std::span<const std::string_view> wanted);

} // namespace ticker
