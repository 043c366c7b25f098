#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tickertest {

// The path of a currency's ticker.
inline std::string tickerPath(std::string_view code) {
    return "/api/2/BTC" + std::string(code) + "/money/ticker";
}

// The real ticker service, run as a child process with the given arguments. Its stdout and
// stderr come back through pipes; the child is killed when the object goes, if still alive.
class ServiceProcess {
public:
    explicit ServiceProcess(std::vector<std::string> args);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // The first stdout line, without its newline; empty when none came before the deadline.
    std::string readLine(std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // The port of "listening on http://127.0.0.1:PORT/", or 0.
    int waitForPort();

    void signal(int number);
    // The exit status, or none when the child had not exited by the deadline (or was
    // killed by a signal).
    std::optional<int> waitForExit(std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // All of stderr, once the child has exited.
    std::string readStderr();

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_stderr = -1;
    std::string m_pending;
};

} // namespace tickertest
