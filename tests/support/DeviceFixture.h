#pragma once

#include "TestSupport.h"

#include <string>

namespace test {

// A device root in a temporary folder, chosen as the platform's root while it lives, with
// the built bundles laid out in it as `marrowfin install` does.
class DeviceFixture {
public:
    DeviceFixture();
    ~DeviceFixture();

    std::string root() const { return m_dir.str(); }
    // The real path of a phone path inside this root.
    std::filesystem::path real(std::string_view phonePath) const;
    // Writes the settings file with the given currency (an XML property list).
    void setCurrency(std::string_view code) const;
    void setSettingsFile(std::string_view content) const;
    void removeSettingsFile() const;
    // Installs the built bundles into this root.
    void installBundles() const;

private:
    TempDir m_dir;
};

} // namespace test
