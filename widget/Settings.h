#pragma once

// The settings file that the preference pane writes and the widget reads at every
// request: "/var/mobile/Library/Preferences/" + the settings domain + ".plist".
// The settings domain is the pane's bundle identifier.
#define PLIST_FILENAME "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist"
