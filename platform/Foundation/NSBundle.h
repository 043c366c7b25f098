#pragma once

#include <Foundation/NSClassRegistry.h>
#include <Foundation/NSDictionary.h>

#include <string>
#include <string_view>

// A bundle folder: its Info.plist, its executable and its resources. Paths are the
// phone's; the platform resolves them inside the device root.
class NSBundle : public NSObject {
public:
    // The bundle at the folder, or null when the folder has no readable Info.plist.
    static Ref<NSBundle> bundleWithPath(std::string_view phonePath, std::string* error = nullptr);

    const char* className() const override { return "NSBundle"; }
    std::string description() const override { return m_path; }

    const std::string& bundlePath() const { return m_path; }
    NSDictionary* infoDictionary() const { return m_info.get(); }
    // A string of Info.plist, or empty.
    std::string infoString(std::string_view key) const;
    std::string bundleIdentifier() const { return infoString("CFBundleIdentifier"); }

    // Loads the executable that CFBundleExecutable names (once; bundles are never unloaded),
    // which registers the bundle's classes. On failure answers false with the reason.
    bool load(std::string* error = nullptr);
    bool isLoaded() const { return m_loaded; }
    // The class that NSPrincipalClass names, once loaded; null when it is not registered.
    NSClassFactory principalClass() const;
    // Loads the bundle and creates one object of its principal class, as a host does; null
    // with the reason on failure.
    Ref<NSObject> instantiatePrincipalClass(std::string* error = nullptr);

    // The phone path of "<bundle>/<name>.<type>" when that file exists, else empty.
    std::string pathForResource(std::string_view name, std::string_view type) const;

private:
    NSBundle(std::string path, Ref<NSDictionary> info)
        : m_path(std::move(path)), m_info(std::move(info)) {}
    std::string m_path;
    Ref<NSDictionary> m_info;
    bool m_loaded = false;
};
