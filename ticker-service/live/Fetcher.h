#pragma once

#include <functional>
#include <string>

namespace ticker {

// What came back for one GET.
struct FetchResult {
    long status = 0; // the HTTP status; 0 when no reply came
    std::string body;
    std::string retryAfter; // the Retry-After header, empty when none
    std::string error;      // why no reply came; empty when one did
};

// Fetches URLs for the live market: libcurl in the service, a script in tests.
class Fetcher {
public:
    using Done = std::function<void(FetchResult)>;

    virtual ~Fetcher() = default;

    // Starts a GET of `url`. `done` is called exactly once, later, from any thread, but never
    // inside this call; or not at all once the fetcher is being destroyed.
    virtual void get(const std::string& url, Done done) = 0;
};

} // namespace ticker
