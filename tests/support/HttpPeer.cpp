#include "HttpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace test {

namespace {

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return std::string(text);
}

HttpRequest parseHead(std::string_view head) {
    HttpRequest request;
    std::size_t lineEnd = head.find("\r\n");
    std::string_view requestLine = head.substr(0, lineEnd);
    std::size_t first = requestLine.find(' ');
    std::size_t second = requestLine.find(' ', first + 1);
    request.method = std::string(requestLine.substr(0, first));
    if (first != std::string_view::npos)
        request.path = std::string(requestLine.substr(first + 1, second - first - 1));
    while (lineEnd != std::string_view::npos) {
        std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        std::string_view line = head.substr(start, lineEnd - start);
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos)
            request.headers[lower(std::string(line.substr(0, colon)))] =
                trim(line.substr(colon + 1));
    }
    return request;
}

} // namespace

void HttpConn::send(std::string_view bytes) {
    while (m_fd >= 0 && !bytes.empty()) {
        ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return; // the client went away; a handler need not care
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

void HttpConn::sendSlowly(std::string_view bytes, int pieces, int msBetween) {
    pieces = std::max(1, pieces);
    std::size_t step = (bytes.size() + static_cast<std::size_t>(pieces) - 1) / pieces;
    for (std::size_t offset = 0; offset < bytes.size(); offset += step) {
        if (offset > 0 && m_peer.waitStopping(msBetween))
            return;
        send(bytes.substr(offset, step));
    }
}

void HttpConn::reset() {
    if (m_fd < 0)
        return;
    linger hard{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(m_fd);
    m_fd = -1;
}

void HttpConn::close() {
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
}

void HttpConn::stall() {
    while (!m_peer.waitStopping(1000)) {
    }
}

HttpPeer::HttpPeer() {
    if (pipe(m_wakePipe) != 0)
        throw std::runtime_error("pipe failed");
    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listenFd, 1024) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

HttpPeer::~HttpPeer() {
    m_stopping = true;
    char wake = 1;
    [[maybe_unused]] ssize_t written = write(m_wakePipe[1], &wake, 1);
    m_acceptThread.join();
    // No new connection threads after the accept loop has ended.
    for (std::thread& thread : m_connThreads)
        thread.join();
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string HttpPeer::connectTo() const {
    return "::127.0.0.1:" + std::to_string(m_port);
}

std::string HttpPeer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

void HttpPeer::on(std::string path, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handlers[std::move(path)] = std::move(handler);
}

std::string HttpPeer::response(int status, std::string_view body, std::string_view contentType) {
    std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    text += "Content-Type: " + std::string(contentType) + "\r\n";
    text += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    text += body;
    return text;
}

HttpPeer::Handler HttpPeer::reply(int status, std::string body, std::string contentType) {
    return [text = response(status, body, contentType)](const HttpRequest&, HttpConn& conn) {
        conn.send(text);
    };
}

std::vector<HttpRequest> HttpPeer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool HttpPeer::waitForRequests(std::size_t count, double timeoutSeconds) const {
    std::unique_lock lock(m_mutex);
    return m_requestSeen.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                                  [&] { return m_requests.size() >= count; });
}

bool HttpPeer::waitStopping(int ms) const {
    pollfd wake{m_wakePipe[0], POLLIN, 0};
    return poll(&wake, 1, ms) > 0 || m_stopping;
}

void HttpPeer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (m_stopping)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ++m_accepted;
        std::lock_guard lock(m_mutex);
        m_connThreads.emplace_back([this, fd] { serve(fd); });
    }
}

void HttpPeer::serve(int fd) {
    HttpConn conn(fd, *this);
    std::string buffer;
    while (conn.isOpen() && !m_stopping) {
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 || m_stopping) {
                conn.close();
                return;
            }
            char chunk[4096];
            ssize_t got = recv(fd, chunk, sizeof chunk, 0);
            if (got <= 0) {
                conn.close();
                return;
            }
            buffer.append(chunk, static_cast<std::size_t>(got));
        }
        HttpRequest request = parseHead(std::string_view(buffer).substr(0, headEnd + 2));
        buffer.erase(0, headEnd + 4);
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            auto it = m_handlers.find(request.path.substr(0, request.path.find('?')));
            if (it != m_handlers.end())
                handler = it->second;
        }
        m_requestSeen.notify_all();
        if (!handler)
            handler = reply(404, "not found", "text/plain");
        handler(request, conn);
        if (lower(request.headers["connection"]) == "close")
            conn.close();
    }
    conn.close();
}

} // namespace test
