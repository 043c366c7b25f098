#include "Installer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace Installer {

namespace {

struct Placement {
    const char* from; // below the source folder
    const char* to;   // below the device root
};

constexpr Placement kPlacements[] = {
    {"bundles/Marrowfin.bundle", "System/Library/WeeAppPlugins/Marrowfin.bundle"},
    {"bundles/MarrowfinPrefs.bundle", "Library/PreferenceBundles/MarrowfinPrefs.bundle"},
    {"PreferenceLoader/Preferences/MarrowfinPrefs.plist",
     "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist"},
};

constexpr const char* kSettingsFolder = "var/mobile/Library/Preferences";

bool sameContent(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (!fs::is_regular_file(b, ec) || fs::file_size(a, ec) != fs::file_size(b, ec))
        return false;
    FILE* fa = std::fopen(a.c_str(), "rb");
    FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    char ba[65536], bb[65536];
    while (same) {
        std::size_t na = std::fread(ba, 1, sizeof ba, fa);
        std::size_t nb = std::fread(bb, 1, sizeof bb, fb);
        if (na != nb || std::memcmp(ba, bb, na) != 0)
            same = false;
        if (na == 0)
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return same;
}

// Copies one file beside the target, then renames it over the target.
bool placeFile(const fs::path& source, const fs::path& target, std::string* error) {
    if (sameContent(source, target))
        return true;
    std::error_code ec;
    fs::path temporary = target;
    temporary += ".installing." + std::to_string(::getpid());
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::permissions(temporary, fs::status(source).permissions(), ec);
    if (!ec) {
        int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        fs::rename(temporary, target, ec);
    }
    if (ec) {
        fs::remove(temporary, ec);
        *error = "cannot install " + target.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool placeTree(const fs::path& source, const fs::path& target, std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(source, ec))
        return placeFile(source, target, error);
    fs::create_directories(target, ec);
    if (ec) {
        *error = "cannot make " + target.string() + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(source, ec)) {
        if (!placeTree(entry.path(), target / entry.path().filename(), error))
            return false;
    }
    if (ec) {
        *error = "cannot read " + source.string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace

fs::path defaultSource() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return (self.parent_path() / "../../lib/marrowfin").lexically_normal();
}

bool install(const fs::path& from, const fs::path& deviceRoot, std::string* error) {
    std::error_code ec;
    for (const Placement& placement : kPlacements) {
        fs::path source = from / placement.from;
        if (!fs::exists(source, ec)) {
            *error = "nothing to install: " + source.string() + " is missing (build first)";
            return false;
        }
    }
    for (const Placement& placement : kPlacements) {
        fs::path target = deviceRoot / placement.to;
        fs::create_directories(target.parent_path(), ec);
        if (ec) {
            *error = "cannot make " + target.parent_path().string() + ": " + ec.message();
            return false;
        }
        if (!placeTree(from / placement.from, target, error))
            return false;
    }
    fs::create_directories(deviceRoot / kSettingsFolder, ec);
    if (ec) {
        *error = "cannot make " + (deviceRoot / kSettingsFolder).string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace Installer
