#pragma once

#include "ReplySource.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ticker {

// What one client, and all of them together, may hold of the server.
struct ServerLimits {
    // Open connections; past it a new one gets a 503 and is closed.
    size_t maxConnections = 10000;
    // Open connections from one client address; past it, the same refusal.
    size_t maxPerAddress = 256;
    // From the first byte of a request head (or from the connection's start) to its end,
    // however slowly the bytes come; a request not in by then is dropped with its connection.
    std::chrono::milliseconds headTimeout{5000};
    // How long a keep-alive connection may wait for its next request, and a reply may take
    // to be written.
    std::chrono::milliseconds idleTimeout{10000};
};

// The HTTP/1.1 server of the ticker service: event-driven, on a few threads whatever the
// number of connections. Parses and routes requests (see Routing.h) and asks `source` for
// the ticker and status replies. Pipelined requests are answered in order; a malformed
// request gets a 400 and its connection closes.
class HttpServer {
public:
    // Listens on `address` (an IP address, or a host name resolved once) and `port` (0 picks
    // a free one). Null, with the reason in `error`, when it cannot.
    static std::unique_ptr<HttpServer> listen(const std::string& address, uint16_t port,
                                              ReplySource& source, const ServerLimits& limits,
                                              std::string& error);
    ~HttpServer(); // stops first when still serving

    uint16_t port() const;

    // Serves on `threads` threads of its own until stop().
    void start(unsigned threads);

    // Stops accepting, closes idle connections and those still sending a request, lets
    // the replies already asked for be written, and returns within `grace` (connections
    // still busy then are dropped).
    void stop(std::chrono::milliseconds grace);

    struct Impl;

private:
    explicit HttpServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace ticker
