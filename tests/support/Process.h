#pragma once

#include <string>
#include <vector>

namespace test {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit by itself (killed at the deadline or by a signal)
    std::string out;
    std::string err;
    long peakKiB = 0; // the largest resident size it reached (a program it ran included)
};

// Runs a program with arguments, feeding `input` on its stdin, and collects what it writes.
// It is killed when it runs past `timeoutSeconds`.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = {},
                         double timeoutSeconds = 60);

// The `marrowfin` front of this build.
std::string marrowfinProgram();

} // namespace test
