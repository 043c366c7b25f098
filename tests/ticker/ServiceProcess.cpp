#include "ServiceProcess.h"

#include "../support/ChildExit.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>

namespace tickertest {

ServiceProcess::ServiceProcess(std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    args.insert(args.begin(), TICKER_SERVICE_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_stdout = out[0];
    m_stderr = err[0];
}

ServiceProcess::~ServiceProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_stdout >= 0)
        close(m_stdout);
    if (m_stderr >= 0)
        close(m_stderr);
}

std::string ServiceProcess::readLine(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (m_pending.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{m_stdout, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char buffer[256];
        const ssize_t n = read(m_stdout, buffer, sizeof buffer);
        if (n <= 0)
            return {};
        m_pending.append(buffer, static_cast<size_t>(n));
    }
    const size_t newline = m_pending.find('\n');
    std::string line = m_pending.substr(0, newline);
    m_pending.erase(0, newline + 1);
    return line;
}

int ServiceProcess::waitForPort() {
    std::smatch match;
    const std::string line = readLine();
    if (!std::regex_match(line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+)/)")))
        return 0;
    return std::stoi(match[1]);
}

void ServiceProcess::signal(int number) {
    if (m_pid > 0)
        kill(m_pid, number);
}

std::optional<int> ServiceProcess::waitForExit(std::chrono::milliseconds deadline) {
    return waitForChildExit(m_pid, deadline);
}

std::string ServiceProcess::readStderr() {
    std::string text;
    char buffer[1024];
    ssize_t n;
    while ((n = read(m_stderr, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

} // namespace tickertest
