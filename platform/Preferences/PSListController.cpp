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
    if (!m_bundle) {
        NSLog("specifier list %s: the pane has no bundle to read it from", listName.c_str());
        return nullptr;
    }
    std::string path = m_bundle->pathForResource(name, "plist");
    if (path.empty()) {
        NSLog("specifier list %s: no %s.plist in %s", listName.c_str(), listName.c_str(),
              DeviceRoot::resolve(m_bundle->bundlePath()).c_str());
        return nullptr;
    }
    Ref<NSDictionary> list = NSDictionary::dictionaryWithContentsOfFile(path);
    if (!list) {
        NSLog("specifier list %s: %s is not a property-list dictionary", listName.c_str(),
              DeviceRoot::resolve(path).c_str());
        return nullptr;
    }
    Ref<NSArray> specifiers = PSSpecifiersFromList(list.get(), listName, target);
    if (!specifiers)
        return nullptr;
    const NSString* title = NSCast<NSString>(list->objectForKey("title"));
    m_title = title ? title->UTF8String() : std::string();
    m_loaded = std::move(specifiers);
    return m_loaded.get();
}
