#pragma once

#include <filesystem>
#include <string>

// Lays the two plug-ins out in a device root, as the phone keeps them:
//   System/Library/WeeAppPlugins/Marrowfin.bundle/
//   Library/PreferenceBundles/MarrowfinPrefs.bundle/
//   Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist
//   var/mobile/Library/Preferences/        (made if missing; nothing in it is touched)
// Every file is written beside its target and renamed over it, so a host that has a
// bundle's executable loaded keeps the old one intact. Running it again changes nothing.
namespace Installer {

// `from` is the folder that holds bundles/ and PreferenceLoader/ (lib/marrowfin of the
// build tree or of an installation). Answers false with the reason on failure.
bool install(const std::filesystem::path& from, const std::filesystem::path& deviceRoot,
             std::string* error);

// lib/marrowfin beside the running program (libexec/marrowfin/marrowfin-install).
std::filesystem::path defaultSource();

} // namespace Installer
