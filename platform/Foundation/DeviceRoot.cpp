#include <Foundation/DeviceRoot.h>

#include <cstdlib>
#include <optional>

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

void set(std::string folder) { chosen() = withoutTrailingSlashes(std::move(folder)); }

const std::string& get() {
    if (!chosen())
        chosen() = defaultFolder();
    return *chosen();
}

std::string resolve(std::string_view phonePath) {
    if (phonePath.empty() || phonePath.front() != '/')
        return std::string(phonePath);
    const std::string& root = get();
    if (root == "/")
        return std::string(phonePath);
    return root + std::string(phonePath);
}

} // namespace DeviceRoot
