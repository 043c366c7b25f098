#include "SettingsPane.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSString.h>

namespace {
constexpr const char* kEntryPath = "/Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist";
constexpr const char* kBundlesFolder = "/Library/PreferenceBundles";
constexpr const char* kInstallHint = " (run `marrowfin install` first)";
} // namespace

Ref<PSListController> openSettingsPane(std::string* error) {
    Ref<NSDictionary> entryFile = NSDictionary::dictionaryWithContentsOfFile(kEntryPath);
    const NSDictionary* entry =
        entryFile ? NSCast<NSDictionary>(entryFile->objectForKey("entry")) : nullptr;
    const NSString* bundleName = entry ? NSCast<NSString>(entry->objectForKey("bundle")) : nullptr;
    if (!bundleName) {
        *error = "no pane registered: " + DeviceRoot::resolve(kEntryPath) +
                 " is missing or names no bundle" + kInstallHint;
        return nullptr;
    }
    const std::string& name = bundleName->UTF8String();
    if (name.empty() || name.find('/') != std::string::npos || name == "..") {
        *error = "the pane entry names a bundle that is not a plain name: " + name;
        return nullptr;
    }
    Ref<NSBundle> bundle =
        NSBundle::bundleWithPath(std::string(kBundlesFolder) + "/" + name + ".bundle", error);
    if (!bundle) {
        *error += kInstallHint;
        return nullptr;
    }
    Ref<NSObject> object = bundle->instantiatePrincipalClass(error);
    if (!object)
        return nullptr;
    Ref<PSListController> controller(NSCast<PSListController>(object.get()));
    if (!controller) {
        *error = "the principal class of " + DeviceRoot::resolve(bundle->bundlePath()) +
                 " is no list controller";
        return nullptr;
    }
    controller->setBundle(bundle.get());
    if (!controller->specifiers()) {
        if (controller->specifierLoadError().empty())
            *error = "the pane in " + DeviceRoot::resolve(bundle->bundlePath()) + " has no rows";
        else
            error->clear();
        return nullptr;
    }
    return controller;
}
