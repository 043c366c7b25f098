#include <Preferences/PSListController.h>

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSString.h>
#include <Preferences/PSSpecifierList.h>

PSListController::~PSListController() {
    if (_specifiers)
        _specifiers->release();
}

NSArray* PSListController::loadSpecifiersFromPlistName(std::string_view name, NSObject* target) {
    std::string listName(name);
    auto fail = [&](std::string reason) -> NSArray* {
        NSLog("%s", reason.c_str());
        m_loadError = std::move(reason);
        return nullptr;
    };
    m_loadError.clear();
    if (!m_bundle)
        return fail("specifier list " + listName + ": the pane has no bundle to read it from");
    std::string path = m_bundle->pathForResource(name, "plist");
    if (path.empty()) {
        return fail("specifier list " + listName + ": no " + listName + ".plist in " +
                    DeviceRoot::resolve(m_bundle->bundlePath()));
    }
    Ref<NSDictionary> list = NSDictionary::dictionaryWithContentsOfFile(path);
    if (!list) {
        return fail("specifier list " + listName + ": " + DeviceRoot::resolve(path) +
                    " is not a property-list dictionary");
    }
    Ref<NSArray> specifiers = PSSpecifiersFromList(list.get(), listName, target);
    if (!specifiers) {
        m_loadError = "specifier list " + listName + " has no \"items\" array"; // logged there
        return nullptr;
    }
    const NSString* title = NSCast<NSString>(list->objectForKey("title"));
    m_title = title ? title->UTF8String() : std::string();
    m_loaded = std::move(specifiers);
    return m_loaded.get();
}
