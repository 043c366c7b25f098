#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace test {

struct HttpRequest {
    std::string method, path;                   // path as sent, with any query
    std::map<std::string, std::string> headers; // names in lower case
};

class HttpPeer;

// One accepted connection, as a handler sees it. It may answer well or misbehave.
class HttpConn {
public:
    void send(std::string_view bytes);
    // The bytes in `pieces` parts, `msBetween` apart (cut short when the peer stops).
    void sendSlowly(std::string_view bytes, int pieces, int msBetween);
    // Drops the connection with a TCP reset (SO_LINGER 0, then close).
    void reset();
    // Closes the connection in order.
    void close();
    // Keeps the connection open and sends nothing until the peer stops.
    void stall();
    bool isOpen() const { return m_fd >= 0; }

private:
    friend class HttpPeer;
    HttpConn(int fd, const HttpPeer& peer) : m_fd(fd), m_peer(peer) {}
    int m_fd;
    const HttpPeer& m_peer;
};

// A real HTTP/1.1 server on 127.0.0.1, on threads of its own (one per connection, with
// keep-alive), built on raw sockets so a handler can misbehave on purpose.
class HttpPeer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpConn&)>;

    HttpPeer();
    ~HttpPeer();
    HttpPeer(const HttpPeer&) = delete;
    HttpPeer& operator=(const HttpPeer&) = delete;

    uint16_t port() const { return m_port; }
    // "::127.0.0.1:<port>", for URLLoading::setConnectTo.
    std::string connectTo() const;
    // "http://127.0.0.1:<port><path>"
    std::string url(std::string_view path) const;

    // Serves a path (the part before any '?'); a path without a handler answers 404.
    // Set handlers before requests arrive.
    void on(std::string path, Handler handler);
    // A complete reply with Content-Length.
    static Handler reply(int status, std::string body,
                         std::string contentType = "application/json");
    static std::string response(int status, std::string_view body,
                                std::string_view contentType = "application/json");

    // Every request seen, in order.
    std::vector<HttpRequest> requests() const;
    bool waitForRequests(std::size_t count, double timeoutSeconds) const;
    std::size_t connectionsAccepted() const { return m_accepted; }

    // Waits up to `ms` or until the peer stops; answers whether it is stopping.
    bool waitStopping(int ms) const;

private:
    void acceptLoop();
    void serve(int fd);

    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1}; // readable once the peer stops
    uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_accepted{0};
    std::map<std::string, Handler> m_handlers;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requestSeen;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_connThreads;
    std::thread m_acceptThread;
};

} // namespace test
