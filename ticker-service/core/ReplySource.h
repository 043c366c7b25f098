#pragma once

// The seam between the HTTP server and the markets. The server parses requests, routes them
// (404, 405, HEAD, absolute-form targets) and writes replies; a ReplySource only says what
// the answer to a ticker or status request is. The simulated market is one ReplySource, the
// live market another; main picks one and owns it.

#include "Currencies.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ticker {

// One answer, ready to send.
struct Reply {
    int status = 200;
    // The JSON body. Shared, so a reply kept ready is sent many times without a copy.
    std::shared_ptr<const std::string> body;
    // The value of a "Retry-After" header; empty for none.
    std::string retryAfter;
};

// Answers ticker and status requests. Called from the server's threads, several at once, so
// an implementation guards what it shares. Owned by main; outlives the server.
class ReplySource {
public:
    using Answer = std::function<void(Reply)>;

    virtual ~ReplySource() = default;

    // Answers a request for `currency` by calling `answer` exactly once: at once, inside this
    // call, or later from any thread (the server then resumes the waiting connection). Never
    // blocks the caller. `answer` may be called after the server has stopped; it then does
    // nothing.
    virtual void ticker(const Currency& currency, Answer answer) = 0;

    // The answer to GET /status, at once; none means the service has no status page (404).
    virtual std::optional<Reply> status() { return std::nullopt; }
};

} // namespace ticker
