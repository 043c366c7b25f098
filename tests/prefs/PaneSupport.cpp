#include "PaneSupport.h"

#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace test {

fs::path builtPrefsBundle() {
    return buildDir() / "lib/marrowfin/bundles/MarrowfinPrefs.bundle";
}
fs::path builtPrefsEntry() {
    return buildDir() / "lib/marrowfin/PreferenceLoader/Preferences/MarrowfinPrefs.plist";
}

void installPane(const fs::path& root, bool withPreferencesFolder) {
    fs::create_directories(root / "Library/PreferenceBundles");
    fs::copy(builtPrefsBundle(), root / "Library/PreferenceBundles/MarrowfinPrefs.bundle",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::create_directories(root / "Library/PreferenceLoader/Preferences");
    fs::copy_file(builtPrefsEntry(),
                  root / "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist",
                  fs::copy_options::overwrite_existing);
    if (withPreferencesFolder)
        fs::create_directories(root / "var/mobile/Library/Preferences");
}

Ref<PSListController> makePaneController() {
    static NSClassFactory factory = [] {
        // Kept for the whole program: the loaded plug-in's file lives here.
        static TempDir home;
        installPane(home.path());
        std::string previous = DeviceRoot::get();
        DeviceRoot::set(home.str());
        std::string error;
        Ref<NSBundle> bundle =
            NSBundle::bundleWithPath("/Library/PreferenceBundles/MarrowfinPrefs.bundle", &error);
        if (!bundle || !bundle->load(&error))
            throw std::runtime_error("cannot load the pane: " + error);
        NSClassFactory loaded = bundle->principalClass();
        DeviceRoot::set(previous);
        return loaded;
    }();
    if (!factory)
        return nullptr;
    Ref<NSObject> object = factory();
    return Ref<PSListController>(NSCast<PSListController>(object.get()));
}

LogCapture::LogCapture() {
    char pattern[] = "/tmp/marrowfin-log-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    m_file = pattern;
    std::fflush(stderr);
    m_savedFd = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
}

LogCapture::~LogCapture() {
    stop();
    std::error_code ignored;
    fs::remove(m_file, ignored);
}

std::string LogCapture::stop() {
    if (!m_stopped) {
        m_stopped = true;
        std::fflush(stderr);
        dup2(m_savedFd, STDERR_FILENO);
        close(m_savedFd);
        m_text = readFile(m_file);
    }
    return m_text;
}

std::vector<std::string> LogCapture::messages() {
    std::vector<std::string> result;
    for (const std::string& line : lines(stop())) {
        std::size_t end = line.find("] ");
        result.push_back(end == std::string::npos ? line : line.substr(end + 2));
    }
    return result;
}

RunResult runProgram(const fs::path& program, const std::vector<std::string>& args) {
    TempDir outputs;
    fs::path outFile = outputs.path() / "out";
    fs::path errFile = outputs.path() / "err";

    std::vector<std::string> argStorage{program.string()};
    argStorage.insert(argStorage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStorage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::vector<char*> env;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0 &&
            std::strncmp(*entry, "WAYLAND_DISPLAY=", 16) != 0)
            env.push_back(*entry);
    }
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        throw std::runtime_error("cannot start " + program.string());
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    }
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace test
