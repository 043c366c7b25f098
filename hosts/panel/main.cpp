// marrowfin panel: the notification panel as a desktop window (GTK 4, X11 and Wayland).
#include "PanelMenu.h"
#include "PanelWindow.h"
#include "RunLoopSource.h"
#include "SettingsPane.h"
#include "WidgetLoader.h"
#include "WidgetSession.h"

#include "ConnectToOption.h"
#include "DeviceRootOption.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSURLConnection+Host.h>
#include <UIKit/UIApplication+Host.h>

#include <CLI/CLI.hpp>

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "marrowfin panel: %s\n", message.c_str());
    return 1;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"The notification panel as a desktop window: shows the Marrowfin widget "
                 "installed in the device root. Click to tap, r to refresh, right click or the "
                 "menu key for the currencies and links, q or Escape to close.",
                 "marrowfin panel"};
    std::string deviceRoot;
    std::vector<std::string> connectTo;
    bool noBrowser = false;
    bool trace = false;
    addDeviceRootOption(app, deviceRoot);
    addConnectToOption(app, connectTo);
    app.add_flag("--no-browser", noBrowser,
                 "The menu's links print their address, never start a browser");
    app.add_flag("--trace", trace,
                 "Print 'appear T' and 'draw T' lines on stdout (T: monotonic microseconds)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "marrowfin panel: %s\n", e.what());
        return 2;
    }

    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        return fail("no display: neither DISPLAY nor WAYLAND_DISPLAY is set (run it in an X11 "
                    "or Wayland session)");
    // The window's class and name, as the launcher entry gives them.
    g_set_prgname("marrowfin");
    g_set_application_name("Marrowfin");
    if (!gtk_init_check())
        return fail("cannot open the display " + std::string(isSet("WAYLAND_DISPLAY")
                                                                 ? std::getenv("WAYLAND_DISPLAY")
                                                                 : std::getenv("DISPLAY")));

    DeviceRoot::set(deviceRoot);
    URLLoading::setConnectTo(connectTo);
    UIApplicationHost::setBrowserAllowed(!noBrowser);

    std::string error;
    Ref<BBWeeAppController> controller = loadInstalledWidget(&error);
    if (!controller)
        return fail(error);
    // Without a pane the window still shows the widget; its menu is empty.
    Ref<PSListController> pane = openSettingsPane(&error);
    if (!pane)
        std::fprintf(stderr, "marrowfin panel: no currency menu: %s\n", error.c_str());

    WidgetSession session(std::move(controller), std::cout);
    PanelWindow* window = nullptr;
    // A new currency shows at once: the panel opens again.
    PanelMenu menu(pane, [&window] {
        if (window)
            window->appearAgain();
    });
    PanelWindow panel(session, menu, trace);
    window = &panel;

    RunLoopSource::attach();
    panel.present();
    while (panel.isOpen())
        g_main_context_iteration(nullptr, TRUE);
    return 0;
}
