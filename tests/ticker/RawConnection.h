#pragma once

#include <chrono>
#include <string>

namespace tickertest {

// A plain TCP connection to the service on loopback, for what an HTTP client library would
// hide: partial requests, malformed ones, pipelining, and seeing the server close.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return m_fd >= 0; }
    bool send(const std::string& text);
    // Reads until `received` holds `expected` (a byte count), the server closes, or the
    // deadline passes.
    std::string receive(size_t expected, std::chrono::milliseconds deadline);
    // One whole response: the head, and as many body bytes as its Content-Length says
    // (none after a HEAD request). Empty when it did not come in time.
    std::string response(bool head, std::chrono::milliseconds deadline);
    // Waits for the server to close the connection (end of stream or reset), reading and
    // keeping what comes before; false when it is still open at the deadline.
    bool closedByServer(std::chrono::milliseconds deadline);
    const std::string& leftover() const { return m_received; }

private:
    int m_fd = -1;
    bool m_closed = false;
    std::string m_received;
};

// Raises this process's open-file limit as far as allowed, and gives it.
size_t raiseOpenFileLimit();

} // namespace tickertest
