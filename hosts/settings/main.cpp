// marrowfin settings [--device-root DIR] list | get KEY | set KEY VALUE | tap LABEL [--no-browser]
#include "DeviceRootOption.h"
#include "SettingsCommands.h"
#include "SettingsPane.h"

#include <Foundation/DeviceRoot.h>
#include <UIKit/UIApplication+Host.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// The subcommand a command line asks for: its first word that is neither an option nor the
// value of --device-root; empty when there is none.
std::string requestedSubcommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--device-root")
            ++i;
        else if (!arg.starts_with("-"))
            return std::string(arg);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"The Settings app: shows the Marrowfin pane's rows, reads and changes its "
                 "settings, and taps its links.",
                 "marrowfin settings"};
    app.require_subcommand(1);
    app.fallthrough();

    std::string deviceRoot;
    addDeviceRootOption(app, deviceRoot);

    CLI::App* list = app.add_subcommand("list", "print each row as one line of JSON");
    std::string key;
    CLI::App* get = app.add_subcommand("get", "print a setting's value");
    get->add_option("KEY", key, "the setting's key")->required();
    std::string value;
    CLI::App* set = app.add_subcommand("set", "change a setting");
    set->add_option("KEY", key, "the setting's key")->required();
    set->add_option("VALUE", value, "the new value")->required();
    std::string label;
    bool noBrowser = false;
    CLI::App* tap = app.add_subcommand("tap", "tap a button row");
    tap->add_option("LABEL", label, "the row's label")->required();
    tap->add_flag("--no-browser", noBrowser, "print the addresses, never start a browser");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string asked = requestedSubcommand(argc, argv);
        std::string names;
        bool known = false;
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
            names += (names.empty() ? "" : ", ") + sub->get_name();
            known = known || sub->get_name() == asked;
        }
        if (!asked.empty() && !known) {
            std::fprintf(stderr, "marrowfin settings: unknown subcommand '%s' (subcommands: %s)\n",
                         asked.c_str(), names.c_str());
        } else {
            std::fprintf(stderr, "marrowfin settings: %s\n", e.what());
        }
        return 2;
    }

    DeviceRoot::set(deviceRoot);
    UIApplicationHost::setBrowserAllowed(!noBrowser);

    std::string error;
    Ref<PSListController> pane = openSettingsPane(&error);
    if (!pane) {
        if (!error.empty())
            std::fprintf(stderr, "marrowfin settings: %s\n", error.c_str());
        return 1;
    }
    if (*list)
        return listRows(pane.get());
    if (*get)
        return getValue(pane.get(), key);
    if (*set)
        return setValue(pane.get(), key, value);
    return tapRow(pane.get(), label);
}
