#pragma once

#include <Foundation/NSObject.h>
#include <Preferences/PSListController.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test {

// What the build put down for the pane: the bundle folder and the settings app's entry.
std::filesystem::path builtPrefsBundle();
std::filesystem::path builtPrefsEntry();

// Lays the built pane into a device root as the installer does: the bundle under
// Library/PreferenceBundles, the entry under Library/PreferenceLoader/Preferences and an
// empty var/mobile/Library/Preferences.
void installPane(const std::filesystem::path& root);

// A new MarrowfinPrefsController from the built plug-in, which is loaded once per test
// program (from a device root of its own, so a test's root may be anything).
Ref<PSListController> makePaneController();

// The lines of a text, without their newlines.
std::vector<std::string> lines(const std::string& text);

} // namespace test
