// marrowfin: the front. Each subcommand is a program of its own behind it (as git does),
// so one subcommand's heavy libraries never weigh on another's start.
//
// It uses the C library alone (no C++ runtime to load), since it stands in front of every
// command a user or a script runs.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
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
    {"panel", "the notification panel as a desktop window"},
    {"bar", "the widget's lines for a status bar (waybar, i3bar)"},
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

// The program behind the front for a subcommand: bin/marrowfin ->
// libexec/marrowfin/marrowfin-<name>, in the build tree and installed. False when the path
// does not fit.
bool subcommandProgram(const char* name, char* program, std::size_t size) {
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return false;
    self[n] = '\0';
    char* slash = std::strrchr(self, '/');
    if (!slash)
        return false;
    *slash = '\0';
    int written = std::snprintf(program, size, "%s/../libexec/marrowfin/marrowfin-%s", self, name);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: marrowfin <command> [options] (see marrowfin --help)\n", stderr);
        return 2;
    }
    const char* command = argv[1];
    auto is = [&command](const char* text) { return std::strcmp(command, text) == 0; };
    if (is("--help") || is("-h") || (is("help") && argc == 2)) {
        usage(stdout);
        return 0;
    }
    // `marrowfin help widget` is `marrowfin widget --help`.
    char help[] = "--help";
    char* helpArgv[] = {argv[0], argv[2], help, nullptr};
    if (is("help")) {
        if (argc > 3) {
            std::fputs("usage: marrowfin help [<command>]\n", stderr);
            return 2;
        }
        argc = 3;
        argv = helpArgv;
        command = argv[1];
    }
    if (is("--version")) {
        std::puts("marrowfin " MARROWFIN_VERSION);
        return 0;
    }
    for (const Subcommand& sub : kSubcommands) {
        if (!is(sub.name))
            continue;
        char program[PATH_MAX];
        if (!subcommandProgram(sub.name, program, sizeof program)) {
            std::fprintf(stderr, "marrowfin: cannot find where %s is installed\n", sub.name);
            return 1;
        }
        argv[1] = program;
        ::execv(program, argv + 1);
        std::fprintf(stderr, "marrowfin: cannot run %s: %s\n", program, std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "marrowfin: unknown command '%s' (see marrowfin --help)\n", argv[1]);
    return 2;
}
