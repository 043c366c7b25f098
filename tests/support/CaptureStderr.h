#pragma once

#include <string>
#include <vector>

namespace test {

// Sends this process's stderr (where NSLog writes) to a file while the object lives.
class CaptureStderr {
public:
    CaptureStderr();
    ~CaptureStderr();
    CaptureStderr(const CaptureStderr&) = delete;
    CaptureStderr& operator=(const CaptureStderr&) = delete;

    // Everything written so far.
    std::string text() const;
    // The message part of each log line ("... marrowfin[PID:TID] MESSAGE").
    std::vector<std::string> logMessages() const;

private:
    int m_savedFd = -1;
    int m_fileFd = -1;
};

} // namespace test
