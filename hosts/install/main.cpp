// marrowfin install: lays the widget and the preference pane into the device root.
#include "DeviceRootOption.h"
#include "Installer.h"

#include <Foundation/DeviceRoot.h>

#include <CLI/CLI.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    CLI::App app{"Lays the widget and the preference pane into the device root, as the phone keeps "
                 "them. Safe to run again; never touches the settings under var/.",
                 "marrowfin install"};
    std::string deviceRoot;
    std::string from;
    addDeviceRootOption(app, deviceRoot);
    app.add_option("--from", from,
                   "The folder holding the built bundles (default: beside this program)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "marrowfin install: %s\n", e.what());
        return 2;
    }
    std::string error;
    if (!Installer::install(from.empty() ? Installer::defaultSource() : std::filesystem::path(from),
                            deviceRoot, &error)) {
        std::fprintf(stderr, "marrowfin install: %s\n", error.c_str());
        return 1;
    }
    std::printf("installed into %s\n", deviceRoot.c_str());
    return 0;
}
