#pragma once

#include <Foundation/DeviceRoot.h>

#include <CLI/CLI.hpp>

#include <string>

// --device-root, as every host takes it. `folder` starts as the default, so a host uses it
// as it stands after parsing.
inline CLI::Option* addDeviceRootOption(CLI::App& app, std::string& folder) {
    folder = DeviceRoot::defaultFolder();
    return app
        .add_option("--device-root", folder,
                    "The folder that stands for the phone's file system (default: "
                    "$MARROWFIN_DEVICE_ROOT, else ${XDG_DATA_HOME:-~/.local/share}/marrowfin/"
                    "device; here " +
                        folder + ")")
        ->type_name("DIR")
        // An empty root would put every phone path at the real file system's root.
        ->check(CLI::Validator(
            [](std::string& value) {
                return value.empty() ? std::string("the device root cannot be empty")
                                     : std::string();
            },
            "", "device-root"));
}
