#include "StatusReply.h"

#include "JsonText.h"

#include <ctime>

namespace ticker {

namespace {

void appendTime(std::string& out, std::optional<Micros> moment) {
    if (!moment) {
        out += "null";
        return;
    }
    const time_t seconds = static_cast<time_t>(*moment / 1'000'000);
    tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    appendJsonString(out, text);
}

const char* stateOf(const SourceState& source) {
    if (source.failuresInARow > 0)
        return "failing";
    if (!source.lastSuccess)
        return "idle";
    return source.lastErrorAt == source.lastSuccess ? "partial" : "ok";
}

} // namespace

std::string statusReply(std::span<const SourceState> sources, Micros now) {
    std::string out = "{\"now\":";
    appendTime(out, now);
    out += ",\"sources\":{";
    for (const SourceState& source : sources) {
        if (&source != sources.data())
            out += ',';
        appendJsonString(out, source.name);
        out += ":{\"state\":";
        appendJsonString(out, stateOf(source));
        out += ",\"urls\":[";
        for (const std::string& url : source.urls) {
            if (&url != source.urls.data())
                out += ',';
            appendJsonString(out, url);
        }
        out += "],\"lastSuccess\":";
        appendTime(out, source.lastSuccess);
        out += ",\"lastError\":";
        if (source.lastError.empty())
            out += "null";
        else
            appendJsonString(out, source.lastError);
        out += ",\"lastErrorTime\":";
        appendTime(out, source.lastErrorAt);
        out += ",\"nextRequest\":";
        appendTime(out, source.nextRequest);
        out += ",\"inFlight\":";
        out += source.inFlight ? "true" : "false";
        out += ",\"failuresInARow\":";
        out += std::to_string(source.failuresInARow);
        out += '}';
    }
    out += "}}";
    return out;
}

} // namespace ticker
