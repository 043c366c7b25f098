#pragma once

#include <Preferences/PSListController.h>

#include <string>

// Opens the pane that the device root registers, as the settings app does: the entry
// Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist names the bundle under
// Library/PreferenceBundles; the bundle is loaded, its principal class made, given its
// bundle and asked for its specifiers. Answers null with the reason when any step fails;
// the reason is empty when the pane's log has said it already (its list of rows could not
// be read), so a host reports each failure in one line.
Ref<PSListController> openSettingsPane(std::string* error);
