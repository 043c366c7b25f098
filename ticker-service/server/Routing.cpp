#include "Routing.h"

#include <optional>
#include <string>

namespace ticker {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The path with its %XX escapes decoded; none when an escape is broken.
std::optional<std::string> decodePath(std::string_view path) {
    std::string decoded;
    decoded.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            decoded += path[i];
            continue;
        }
        if (i + 2 >= path.size() || hexDigit(path[i + 1]) < 0 || hexDigit(path[i + 2]) < 0)
            return std::nullopt;
        decoded += static_cast<char>(hexDigit(path[i + 1]) * 16 + hexDigit(path[i + 2]));
        i += 2;
    }
    return decoded;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The path of a request target: what lies between the authority of an absolute-form
// target (if any) and the query.
std::string_view targetPath(std::string_view target) {
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (startsWithNoCase(target, scheme)) {
            target.remove_prefix(scheme.size());
            const size_t end = target.find_first_of("/?");
            // "http://host" and "http://host?q" name the root.
            if (end == std::string_view::npos || target[end] == '?')
                return "/";
            target.remove_prefix(end);
            break;
        }
    }
    return target.substr(0, target.find('?'));
}

// The currency of a ticker path, or null for any other path.
const Currency* tickerCurrency(std::string_view path) {
    constexpr std::string_view prefix = "/api/2/BTC";
    constexpr std::string_view suffix = "/money/ticker";
    if (path.size() != prefix.size() + 3 + suffix.size() || !path.starts_with(prefix) ||
        !path.ends_with(suffix))
        return nullptr;
    return findCurrency(path.substr(prefix.size(), 3));
}

} // namespace

Route route(std::string_view method, std::string_view target) {
    Route found;
    found.head = method == "HEAD";
    const std::optional<std::string> path = decodePath(targetPath(target));
    if (!path)
        return found;
    if ((found.currency = tickerCurrency(*path)))
        found.kind = Route::Ticker;
    else if (*path == "/status")
        found.kind = Route::Status;
    else
        return found;
    if (method != "GET" && !found.head)
        found.kind = Route::MethodNotAllowed;
    return found;
}

} // namespace ticker
