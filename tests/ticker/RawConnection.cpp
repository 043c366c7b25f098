#include "RawConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tickertest {

RawConnection::RawConnection(int port) {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(m_fd);
        m_fd = -1;
    }
}

RawConnection::~RawConnection() {
    if (m_fd >= 0)
        close(m_fd);
}

bool RawConnection::send(const std::string& text) {
    return ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(text.size());
}

std::string RawConnection::receive(size_t expected, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (m_received.size() < expected && !m_closed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{m_fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[4096];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_closed = true;
            break;
        }
        m_received.append(buffer, static_cast<size_t>(n));
    }
    return m_received;
}

std::string RawConnection::response(bool head, std::chrono::milliseconds deadline) {
    size_t end;
    while ((end = m_received.find("\r\n\r\n")) == std::string::npos) {
        const size_t had = m_received.size();
        receive(had + 1, deadline);
        if (m_received.size() == had)
            return {};
    }
    size_t length = 0;
    const size_t header = m_received.find("Content-Length: ");
    if (!head && header != std::string::npos && header < end)
        length = std::stoul(m_received.substr(header + 16));
    receive(end + 4 + length, deadline);
    if (m_received.size() < end + 4 + length)
        return {};
    std::string one = m_received.substr(0, end + 4 + length);
    m_received.erase(0, one.size());
    return one;
}

bool RawConnection::closedByServer(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!m_closed && std::chrono::steady_clock::now() < end)
        receive(m_received.size() + 1, std::chrono::duration_cast<std::chrono::milliseconds>(
                                           end - std::chrono::steady_clock::now()));
    return m_closed;
}

size_t raiseOpenFileLimit() {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    getrlimit(RLIMIT_NOFILE, &files);
    return files.rlim_cur;
}

} // namespace tickertest
