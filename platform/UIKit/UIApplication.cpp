#include <UIKit/UIApplication+Host.h>
#include <UIKit/UIApplication.h>

#include <Foundation/NSURL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool g_browserAllowed = true;

std::function<void(const std::string&)>& observer() {
    static std::function<void(const std::string&)> current;
    return current;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Starts `xdg-open ADDRESS` with its output sent away, and does not wait for it: an
// intermediate child spawns it and exits at once, so the browser is nobody's zombie.
// Answers whether xdg-open was started.
bool startBrowser(const std::string& address) {
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        char program[] = "xdg-open";
        std::string argument = address;
        char* argv[] = {program, argument.data(), nullptr};
        pid_t browser = 0;
        int failed = posix_spawnp(&browser, program, &actions, nullptr, argv, environ);
        _exit(failed ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

namespace UIApplicationHost {
void setBrowserAllowed(bool allowed) {
    g_browserAllowed = allowed;
}
void setOpenURLObserver(std::function<void(const std::string&)> observer_) {
    observer() = std::move(observer_);
}
} // namespace UIApplicationHost

UIApplication* UIApplication::sharedApplication() {
    // Never released: the application lives as long as the process.
    static UIApplication* application = new UIApplication();
    return application;
}

bool UIApplication::openURL(const NSURL* url) {
    if (!url)
        return false;
    const std::string& address = url->absoluteString();
    std::printf("open %s\n", address.c_str());
    std::fflush(stdout);
    if (observer())
        observer()(address);
    if (g_browserAllowed && (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")))
        return startBrowser(address);
    return true;
}
