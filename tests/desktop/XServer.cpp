#include "XServer.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace desktoptest {

XServer::XServer() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        // The one descriptor the server writes its display number to must stay open.
        int out = dup(fds[1]);
        int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(out);
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes the number once it accepts clients.
    std::string number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (number.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[32];
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') != std::string::npos)
        m_display = ":" + number.substr(0, number.find('\n'));
}

XServer::~XServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::map<std::string, std::string> XServer::environment() const {
    return {
        {"DISPLAY", m_display},
        {"WAYLAND_DISPLAY", ""},
        {"GDK_BACKEND", "x11"},
        // No accessibility bus, no session bus, no settings daemon: nothing outside the test.
        {"GTK_A11Y", "none"},
        {"NO_AT_BRIDGE", "1"},
        {"DBUS_SESSION_BUS_ADDRESS", ""},
        {"GSETTINGS_BACKEND", "memory"},
        // No loadable modules of the machine's (virtual file systems, proxies, input methods).
        {"GIO_MODULE_DIR", "/nonexistent"},
        {"GTK_IM_MODULE", "gtk-im-context-simple"},
        // The same pixels on every machine: cairo rendering, not whatever GL is there.
        {"GSK_RENDERER", "cairo"},
        // Under the sanitizers: what GTK's libraries keep to the end is no leak of ours.
        {"LSAN_OPTIONS", "fast_unwind_on_malloc=0:suppressions=" MARROWFIN_GTK_LEAK_SUPPRESSIONS},
    };
}

test::ProcessResult XServer::xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"/usr/bin/env", "DISPLAY=" + m_display, "/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::runProcess(argv, {}, 30);
}

bool XServer::screenshot(const std::filesystem::path& path) const {
    return test::runProcess({"/usr/bin/env", "DISPLAY=" + m_display, "/usr/bin/import", "-window",
                             "root", path.string()},
                            {}, 60)
               .exitCode == 0;
}

bool eventually(const std::function<bool()>& check, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!check()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace desktoptest
