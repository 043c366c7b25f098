#pragma once

#include <poll.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>

// Waits up to `deadline` for the child `pid` to exit, on its process descriptor (no polling
// loop). Its exit status when it exited by itself in time, and `pid` becomes -1 once reaped;
// none when it is still running, was killed by a signal, or is no child of ours.
inline std::optional<int> waitForChildExit(pid_t& pid, std::chrono::milliseconds deadline) {
    if (pid <= 0)
        return std::nullopt;
    // A process descriptor becomes readable when the child exits.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0)
        return std::nullopt;
    pollfd fd{pidfd, POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(deadline.count()));
    close(pidfd);
    if (ready <= 0)
        return std::nullopt;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return std::nullopt;
    pid = -1;
    if (!WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}
