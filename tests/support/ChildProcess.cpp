#include "ChildProcess.h"

#include "ChildExit.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    const std::string errPath = (m_dir.path() / "stderr").string();
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        for (const auto& [name, value] : environment) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::signal(SIGPIPE, SIG_DFL);
        execv(argp[0], argp.data());
        _exit(127);
    }
    close(out[1]);
    m_stdout = out[0];
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    closeOutput();
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (m_pending.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{m_stdout, POLLIN, 0};
        if (m_stdout < 0 || left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t n = read(m_stdout, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        m_pending.append(buffer, static_cast<size_t>(n));
    }
    const size_t newline = m_pending.find('\n');
    std::string line = m_pending.substr(0, newline);
    m_pending.erase(0, newline + 1);
    return line;
}

void ChildProcess::closeOutput() {
    if (m_stdout >= 0)
        close(m_stdout);
    m_stdout = -1;
}

void ChildProcess::signal(int number) {
    if (m_pid > 0)
        kill(m_pid, number);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds deadline) {
    return waitForChildExit(m_pid, deadline);
}

std::string ChildProcess::stderrText() const {
    return readFile(m_dir.path() / "stderr");
}

} // namespace test
