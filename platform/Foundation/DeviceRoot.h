#pragma once

#include <string>
#include <string_view>

// The folder that stands for the phone's file system. The plug-ins use the phone's
// absolute paths; the platform resolves each of them inside this folder.
namespace DeviceRoot {

// Chooses the device root; hosts call this once at start.
void set(std::string folder);
// The chosen root; until one is set, $MARROWFIN_DEVICE_ROOT, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/marrowfin/device.
const std::string& get();
// The default a host uses without --device-root.
std::string defaultFolder();
// The real path of a phone path: an absolute path is placed inside the root, its "." and
// ".." resolved there first (a ".." at the top stays at the top, as in a chroot), so it
// never names anything outside; a relative one is left as it is. Symbolic links inside
// the root are followed as the system follows them.
std::string resolve(std::string_view phonePath);

} // namespace DeviceRoot
