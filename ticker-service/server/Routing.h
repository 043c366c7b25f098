#pragma once

#include "Currencies.h"

#include <string_view>

namespace ticker {

// Where a request goes, from its method and request target:
//   GET or HEAD /api/2/BTC<CODE>/money/ticker  the ticker of that currency
//   GET or HEAD /status                        the market's status page
//   any other method on either path            MethodNotAllowed ("Allow: GET, HEAD")
//   anything else                              NotFound
// The target may be in origin form ("/api/...") or absolute form ("http://host/api/...");
// the query is ignored, and percent-escapes in the path are decoded first.
struct Route {
    enum Kind { Ticker, Status, NotFound, MethodNotAllowed };
    Kind kind = NotFound;
    const Currency* currency = nullptr; // for Ticker
    bool head = false;                  // a HEAD request, whatever the route: headers only
};

Route route(std::string_view method, std::string_view target);

} // namespace ticker
