#include "PaneSupport.h"

#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>

#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace test {

fs::path builtPrefsBundle() {
    return buildDir() / "lib/marrowfin/bundles/MarrowfinPrefs.bundle";
}
fs::path builtPrefsEntry() {
    return buildDir() / "lib/marrowfin/PreferenceLoader/Preferences/MarrowfinPrefs.plist";
}

void installPane(const fs::path& root) {
    fs::create_directories(root / "Library/PreferenceBundles");
    fs::copy(builtPrefsBundle(), root / "Library/PreferenceBundles/MarrowfinPrefs.bundle",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::create_directories(root / "Library/PreferenceLoader/Preferences");
    fs::copy_file(builtPrefsEntry(),
                  root / "Library/PreferenceLoader/Preferences/MarrowfinPrefs.plist",
                  fs::copy_options::overwrite_existing);
    fs::create_directories(root / "var/mobile/Library/Preferences");
}

Ref<PSListController> makePaneController() {
    static NSClassFactory factory = [] {
        // Kept for the whole program: the loaded plug-in's file lives here.
        static TempDir home;
        installPane(home.path());
        std::string previous = DeviceRoot::get();
        DeviceRoot::set(home.str());
        std::string error;
        Ref<NSBundle> bundle =
            NSBundle::bundleWithPath("/Library/PreferenceBundles/MarrowfinPrefs.bundle", &error);
        if (!bundle || !bundle->load(&error))
            throw std::runtime_error("cannot load the pane: " + error);
        NSClassFactory loaded = bundle->principalClass();
        DeviceRoot::set(previous);
        return loaded;
    }();
    if (!factory)
        return nullptr;
    Ref<NSObject> object = factory();
    return Ref<PSListController>(NSCast<PSListController>(object.get()));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace test
