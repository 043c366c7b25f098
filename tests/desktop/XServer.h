#pragma once

#include "Process.h"
#include "TestSupport.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace desktoptest {

// A virtual X server (Xvfb) of the test's own, on the first free display number, for as long
// as the object lives; and the tools a person's hands and eyes stand for: xdotool and import.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& display() const { return m_display; }
    // What a GTK program needs to run on this server alone, quietly and the same every time.
    std::map<std::string, std::string> environment() const;

    // Runs xdotool with these arguments on this display.
    test::ProcessResult xdotool(const std::vector<std::string>& args) const;
    // The whole screen as a PNG at `path`; false when import failed.
    bool screenshot(const std::filesystem::path& path) const;

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Runs `check` until it holds or `seconds` pass; answers whether it held. For conditions no
// event announces (what the screen shows): checked again after a short pause.
bool eventually(const std::function<bool()>& check, double seconds = 30);

} // namespace desktoptest
