// marrowfin: the front. Each subcommand is a program of its own behind it (as git does),
// so one subcommand's heavy libraries never weigh on another's start.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

struct Subcommand {
    const char* name;
    const char* summary;
};

constexpr Subcommand kSubcommands[] = {
    {"demo", "build, install and show the widget against a local ticker service"},
    {"install", "lay the widget and the preference pane into the device root"},
    {"widget", "the notification panel: show and drive the widget"},
    {"settings", "the Settings app: list, get, set and tap the pane's rows"},
    {"ticker-service", "a local market-data service for all sixteen currencies"},
};

void usage(FILE* out) {
    std::fputs("usage: marrowfin <command> [options]   (marrowfin <command> --help for more)\n\n"
               "commands:\n",
               out);
    for (const Subcommand& sub : kSubcommands)
        std::fprintf(out, "  %-15s %s\n", sub.name, sub.summary);
}

// The folder of the running executable.
std::string executableFolder() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string self(path, static_cast<std::size_t>(n));
    return self.substr(0, self.find_last_of('/'));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        usage(stdout);
        return 0;
    }
    if (command == "--version") {
        std::puts("marrowfin " MARROWFIN_VERSION);
        return 0;
    }
    for (const Subcommand& sub : kSubcommands) {
        if (command != sub.name)
            continue;
        // bin/marrowfin -> libexec/marrowfin/marrowfin-<command>, in the build tree and installed.
        std::string program = executableFolder() + "/../libexec/marrowfin/marrowfin-" + sub.name;
        argv[1] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), argv + 1);
        std::fprintf(stderr, "marrowfin: cannot run %s: %s\n", program.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "marrowfin: unknown command '%s' (see marrowfin --help)\n", argv[1]);
    return 2;
}
