#include "RetryAfter.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <string>

namespace ticker {

std::optional<Micros> retryAfterMoment(std::string_view value, Micros now) {
    constexpr Micros kMicrosPerSecond = 1'000'000;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    if (value.empty())
        return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int64_t seconds = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), seconds);
        // Beyond a year it is garbage; the schedule caps what it waits anyway.
        constexpr int64_t kYear = 366 * 86400;
        if (error != std::errc{} || seconds > kYear)
            return now + kYear * kMicrosPerSecond;
        return now + seconds * kMicrosPerSecond;
    }
    // libcurl's date parser reads the three HTTP date forms.
    const time_t moment = curl_getdate(std::string(value).c_str(), nullptr);
    if (moment < 0)
        return std::nullopt;
    return static_cast<Micros>(moment) * kMicrosPerSecond;
}

} // namespace ticker
