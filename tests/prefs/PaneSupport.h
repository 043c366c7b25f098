#pragma once

#include <Foundation/NSObject.h>
#include <Preferences/PSListController.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test {

// What the build put down for the pane: the bundle folder and the settings app's entry.
std::filesystem::path builtPrefsBundle();
std::filesystem::path builtPrefsEntry();

// Lays the built pane into a device root as the installer does: the bundle under
// Library/PreferenceBundles, the entry under Library/PreferenceLoader/Preferences and,
// unless told not to, an empty var/mobile/Library/Preferences.
void installPane(const std::filesystem::path& root, bool withPreferencesFolder = true);

// A new MarrowfinPrefsController from the built plug-in, which is loaded once per test
// program (from a device root of its own, so a test's root may be anything).
Ref<PSListController> makePaneController();

// Everything written to stderr (fd 2) while it lives; messages() answers the message part
// of each log line (what follows "marrowfin[PID:TID] ").
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> messages();

private:
    std::string stop();
    int m_savedFd = -1;
    std::filesystem::path m_file;
    std::string m_text;
    bool m_stopped = false;
};

// A program run to its end, without DISPLAY or WAYLAND_DISPLAY in its environment.
struct RunResult {
    int status = -1; // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};
RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& args);

// The lines of a text, without their newlines.
std::vector<std::string> lines(const std::string& text);

} // namespace test
