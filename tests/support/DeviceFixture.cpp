#include "DeviceFixture.h"

#include <Foundation/DeviceRoot.h>

namespace fs = std::filesystem;

namespace test {

namespace {
constexpr const char* kSettingsFile = "/var/mobile/Library/Preferences/org.marrowfin.prefs.plist";
}

DeviceFixture::DeviceFixture() {
    fs::create_directories(m_dir.path() / "var/mobile/Library/Preferences");
    DeviceRoot::set(m_dir.str());
}

DeviceFixture::~DeviceFixture() = default;

fs::path DeviceFixture::real(std::string_view phonePath) const {
    return fs::path(m_dir.str() + std::string(phonePath));
}

void DeviceFixture::setSettingsFile(std::string_view content) const {
    writeFile(real(kSettingsFile), content);
}

void DeviceFixture::setCurrency(std::string_view code) const {
    setSettingsFile(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<plist version=\"1.0\"><dict><key>currency</key><string>") +
                    std::string(code) + "</string></dict></plist>\n");
}

void DeviceFixture::removeSettingsFile() const {
    std::error_code ignored;
    fs::remove(real(kSettingsFile), ignored);
}

void DeviceFixture::installBundles() const {
    fs::path bundles = buildDir() / "lib/marrowfin/bundles";
    auto place = [&](const fs::path& from, const char* to) {
        fs::create_directories(real(to).parent_path());
        fs::copy(from, real(to),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    };
    place(bundles / "Marrowfin.bundle", "/System/Library/WeeAppPlugins/Marrowfin.bundle");
    place(bundles / "MarrowfinPrefs.bundle", "/Library/PreferenceBundles/MarrowfinPrefs.bundle");
    place(buildDir() / "lib/marrowfin/PreferenceLoader/Preferences/MarrowfinPrefs.plist",
          "/Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist");
}

} // namespace test
