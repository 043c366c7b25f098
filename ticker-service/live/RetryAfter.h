#pragma once

#include "Market.h"

#include <optional>
#include <string_view>

namespace ticker {

// The moment a Retry-After header value names: whole seconds from `now` ("120"), or an
// HTTP date ("Fri, 11 Dec 2026 17:30:00 GMT"). None for anything else.
std::optional<Micros> retryAfterMoment(std::string_view value, Micros now);

} // namespace ticker
