#pragma once

#include "TestSupport.h"

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test {

// A program running beside the test, for as long as the object lives (it is killed then):
// its stdout read line by line with a deadline, its stderr kept in a file (so a chatty
// child never blocks on a full pipe).
class ChildProcess {
public:
    // `environment` adds or replaces variables; an empty value removes one.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // The next stdout line without its newline; none at the deadline or the end of output.
    std::optional<std::string>
    readLine(std::chrono::milliseconds deadline = std::chrono::seconds(30));
    // Closes the test's end of the child's stdout: its next write fails with EPIPE.
    void closeOutput();
    void signal(int number);
    // The exit status; none when it had not exited by the deadline or a signal ended it.
    std::optional<int> waitForExit(std::chrono::milliseconds deadline = std::chrono::seconds(30));
    std::string stderrText() const;

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    TempDir m_dir;
    std::string m_pending;
};

} // namespace test
