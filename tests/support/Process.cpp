#include "Process.h"

#include "TestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

std::string marrowfinProgram() {
    return (buildDir() / "bin" / "marrowfin").string();
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input,
                         double timeoutSeconds) {
    ProcessResult result;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);

    std::size_t written = 0;
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    }
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(timeoutSeconds));
    bool outOpen = true, errOpen = true;
    bool killed = false;
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        int outIndex = -1, errIndex = -1, inIndex = -1;
        if (outOpen) {
            outIndex = n;
            fds[n++] = {out[0], POLLIN, 0};
        }
        if (errOpen) {
            errIndex = n;
            fds[n++] = {err[0], POLLIN, 0};
        }
        if (in[1] >= 0) {
            inIndex = n;
            fds[n++] = {in[1], POLLOUT, 0};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, static_cast<nfds_t>(n), static_cast<int>(left)) < 0 && errno != EINTR)
            break;
        char buffer[65536];
        auto drain = [&](int index, int fd, std::string& into, bool& open) {
            if (index < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR)))
                return;
            ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0)
                into.append(buffer, static_cast<std::size_t>(got));
            else
                open = false;
        };
        drain(outIndex, out[0], result.out, outOpen);
        drain(errIndex, err[0], result.err, errOpen);
        if (inIndex >= 0 && (fds[inIndex].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t put = write(in[1], input.data() + written, input.size() - written);
            if (put > 0)
                written += static_cast<std::size_t>(put);
            if (put <= 0 || written == input.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
    }
    if (in[1] >= 0)
        close(in[1]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.peakKiB = usage.ru_maxrss;
    if (!killed && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace test
