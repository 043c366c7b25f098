// marrowfin settings [--device-root DIR] list | get KEY | set KEY VALUE | tap LABEL [--no-browser]
#include "SettingsCommands.h"
#include "SettingsPane.h"

#include <Foundation/DeviceRoot.h>
#include <UIKit/UIApplication+Host.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    CLI::App app{"The Settings app: shows the Marrowfin pane's rows, reads and changes its "
                 "settings, and taps its links.",
                 "marrowfin settings"};
    app.require_subcommand(1);
    app.fallthrough();

    std::string deviceRoot = DeviceRoot::defaultFolder();
    app.add_option("--device-root", deviceRoot, "the folder that stands for the phone's files");

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
        std::fprintf(stderr, "marrowfin settings: %s\n", e.what());
        return 2;
    }

    DeviceRoot::set(deviceRoot);
    UIApplicationHost::setBrowserAllowed(!noBrowser);

    std::string error;
    Ref<PSListController> pane = openSettingsPane(&error);
    if (!pane) {
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
