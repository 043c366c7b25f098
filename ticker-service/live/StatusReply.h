#pragma once

#include "Market.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ticker {

// What /status tells of one source.
struct SourceState {
    std::string name;
    std::vector<std::string> urls;
    std::optional<Micros> lastSuccess;
    std::optional<Micros> lastErrorAt;
    std::string lastError;
    Micros nextRequest = 0;
    bool inFlight = false;
    int failuresInARow = 0;
};

// {"now":"2026-12-11T17:00:00Z","sources":{"kraken":{"state":"ok","urls":[...],
//  "lastSuccess":"...","lastError":"...","lastErrorTime":"...","nextRequest":"...",
//  "inFlight":false,"failuresInARow":0},...}}, times in UTC to the second, null when none.
// "state" is "idle" before a first answer, "ok", "partial" (the last reply lacked some
// figures) or "failing".
std::string statusReply(std::span<const SourceState> sources, Micros now);

} // namespace ticker
