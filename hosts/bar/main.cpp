// marrowfin bar: the widget's lines for a status bar (waybar, i3bar, or any that reads lines).
#include "BarFormat.h"
#include "StatusBar.h"
#include "WidgetLoader.h"
#include "WidgetSession.h"

#include "ConnectToOption.h"
#include "DeviceRootOption.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSURLConnection+Host.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    CLI::App app{"The widget in a status bar: prints a line each time its text changes (the "
                 "widget appears every period, as a bar is always on screen); SIGUSR1 taps "
                 "refresh.",
                 "marrowfin bar"};
    std::string deviceRoot;
    std::vector<std::string> connectTo;
    double every = 60;
    std::string formatName = "waybar";
    addDeviceRootOption(app, deviceRoot);
    addConnectToOption(app, connectTo);
    app.add_option("--every", every, "Seconds between appearances (decimals allowed)")
        ->capture_default_str()
        ->check(CLI::Range(0.001, 86400.0 * 365));
    app.add_option("--format", formatName,
                   "waybar (JSON: text, tooltip, class), i3bar (its protocol) or plain (the "
                   "first line)")
        ->capture_default_str()
        ->check(CLI::IsMember({"waybar", "i3bar", "plain"}));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "marrowfin bar: %s\n", e.what());
        return 2;
    }

    DeviceRoot::set(deviceRoot);
    URLLoading::setConnectTo(connectTo);

    std::string error;
    Ref<BBWeeAppController> controller = loadInstalledWidget(&error);
    if (!controller) {
        std::fprintf(stderr, "marrowfin bar: %s\n", error.c_str());
        return 1;
    }
    WidgetSession session(std::move(controller), std::cout);
    StatusBar bar(session, *BarFormat::parse(formatName), every, STDOUT_FILENO);
    if (!bar.run(&error)) {
        std::fprintf(stderr, "marrowfin bar: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
