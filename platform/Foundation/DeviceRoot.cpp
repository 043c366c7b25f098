#include <Foundation/DeviceRoot.h>

#include <cstdlib>
#include <optional>
#include <vector>

namespace {
std::optional<std::string>& chosen() {
    static std::optional<std::string> root;
    return root;
}

std::string withoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The absolute phone path with "." and ".." taken away by its text alone, as a chroot
// would take them: ".." at the top stays at the top, so no path climbs out of the root.
// A trailing slash is kept, so a path that names a folder still does.
std::string withinRoot(std::string_view phonePath) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at < phonePath.size()) {
        std::size_t end = phonePath.find('/', at);
        if (end == std::string_view::npos)
            end = phonePath.size();
        std::string_view part = phonePath.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string path;
    for (std::string_view part : parts)
        (path += '/') += part;
    bool folder =
        phonePath.ends_with('/') || phonePath.ends_with("/.") || phonePath.ends_with("/..");
    if (path.empty() || folder)
        path += '/';
    return path;
}
} // namespace

namespace DeviceRoot {

std::string defaultFolder() {
    if (const char* env = std::getenv("MARROWFIN_DEVICE_ROOT"); env && *env)
        return withoutTrailingSlashes(env);
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        data = xdg;
    } else {
        const char* home = std::getenv("HOME");
        data = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return withoutTrailingSlashes(data) + "/marrowfin/device";
}

void set(std::string folder) {
    chosen() = withoutTrailingSlashes(std::move(folder));
}

const std::string& get() {
    if (!chosen())
        chosen() = defaultFolder();
    return *chosen();
}

std::string resolve(std::string_view phonePath) {
    if (phonePath.empty() || phonePath.front() != '/')
        return std::string(phonePath);
    const std::string& root = get();
    std::string inside = withinRoot(phonePath);
    return root == "/" ? inside : root + inside;
}

} // namespace DeviceRoot
