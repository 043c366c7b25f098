#include "CaptureStderr.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace test {

CaptureStderr::CaptureStderr() {
    char name[] = "/tmp/marrowfin-stderr-XXXXXX";
    m_fileFd = mkstemp(name);
    unlink(name);
    std::fflush(stderr);
    m_savedFd = dup(STDERR_FILENO);
    dup2(m_fileFd, STDERR_FILENO);
}

CaptureStderr::~CaptureStderr() {
    std::fflush(stderr);
    dup2(m_savedFd, STDERR_FILENO);
    close(m_savedFd);
    close(m_fileFd);
}

std::string CaptureStderr::text() const {
    std::fflush(stderr);
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    ssize_t n;
    while ((n = pread(m_fileFd, buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    return text;
}

std::vector<std::string> CaptureStderr::logMessages() const {
    std::vector<std::string> messages;
    std::istringstream lines(text());
    for (std::string line; std::getline(lines, line);) {
        auto mark = line.find(" marrowfin[");
        if (mark == std::string::npos)
            continue;
        auto close = line.find("] ", mark);
        if (close != std::string::npos)
            messages.push_back(line.substr(close + 2));
    }
    return messages;
}

} // namespace test
