#include "MarrowfinPrefsController.h"

#include <Foundation/NSClassRegistry.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSLog.h>
#include <Foundation/NSURL.h>
#include <UIKit/UIApplication.h>

NS_REGISTER_CLASS(MarrowfinPrefsController);

namespace {

constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";

constexpr const char* kTwitterAddress = "https://twitter.com/marrowfin";
constexpr const char* kWebSiteAddress = "http://marrowfin.org";
constexpr const char* kDonationAddress =
    "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=MARROWFIN0001";

using Controller = MarrowfinPrefsController;

const NSSelectorEntry kSelectors[] = {
    NSSelectorMethod<&Controller::getValueForSpecifier>("getValueForSpecifier:"),
    NSSelectorMethod<&Controller::setValueForSpecifier>("setValue:forSpecifier:"),
    NSSelectorMethod<&Controller::followOnTwitter>("followOnTwitter:"),
    NSSelectorMethod<&Controller::visitWebSite>("visitWebSite:"),
    NSSelectorMethod<&Controller::makeDonation>("makeDonation:"),
};

// "/abs/name" -> "/abs/name.plist"; any other name -> the preferences folder's "name.plist".
// Nothing else is checked: "x.plist" becomes "x.plist.plist", "" becomes ".plist".
std::string resolvedPath(const std::string& name) {
    if (name.starts_with("/"))
        return NSFormat("%s.plist", name.c_str());
    return NSFormat("%s/%s.plist", kPreferencesFolder, name.c_str());
}

bool isKey(const NSString* key, std::string_view text) {
    return key && key->isEqualToString(text);
}

void openAddress(const char* address) {
    UIApplication::sharedApplication()->openURL(NSURL::URLWithString(address).get());
}

} // namespace

const NSSelectorTable* MarrowfinPrefsController::selectorTable() const {
    static const NSSelectorTable table{PSListController::selectorTable(), kSelectors};
    return &table;
}

Ref<NSDictionary> MarrowfinPrefsController::initDictionaryWithFile(std::string& fileName,
                                                                   bool asMutable) {
    fileName = resolvedPath(fileName);
    if (NSFileManager::defaultManager()->fileExistsAtPath(fileName)) {
        if (asMutable)
            return NSMutableDictionary::dictionaryWithContentsOfFile(fileName);
        return NSDictionary::dictionaryWithContentsOfFile(fileName);
    }
    if (asMutable)
        return make<NSMutableDictionary>();
    return make<NSDictionary>();
}

Ref<NSString> MarrowfinPrefsController::getValueForSpecifier(PSSpecifier* specifier) {
    if (!specifier)
        return nullptr;
    NSDictionary* properties = specifier->properties();
    const NSString* key = NSCast<NSString>(properties->objectForKey("key"));
    if (isKey(key, "TemplateVersionExample"))
        return NSString::stringWithUTF8String("1.0");
    if (isKey(key, "NameOfAnExampleSetting"))
        return NSString::stringWithUTF8String("ValueOfAnExampleSetting");

    Ref<NSString> result;
    if (const NSString* defaults = NSCast<NSString>(properties->objectForKey("defaults"))) {
        std::string fileName = defaults->UTF8String();
        Ref<NSDictionary> settings = initDictionaryWithFile(fileName, false);
        Ref<NSString> path = NSString::stringWithUTF8String(fileName);
        NSObject* value = settings && key ? settings->objectForKey(key) : nullptr;
        if (value) {
            result = NSString::stringWithFormat("%@", value);
            NSLog("read key '%@' with value '%@' from plist '%@'", key, result.get(), path.get());
        } else {
            NSLog("key '%@' not found in plist '%@'", key, path.get());
        }
    }
    if (result)
        return result;
    if (isKey(key, "TimeInterval"))
        return NSString::stringWithUTF8String("10");
    return nullptr;
}

void MarrowfinPrefsController::setValueForSpecifier(NSObject* value, PSSpecifier* specifier) {
    if (!specifier)
        return;
    NSDictionary* properties = specifier->properties();
    const NSString* key = NSCast<NSString>(properties->objectForKey("key"));
    if (isKey(key, "NameOfAnExampleSetting"))
        return;
    const NSString* defaults = NSCast<NSString>(properties->objectForKey("defaults"));
    if (!defaults)
        return;

    std::string fileName = defaults->UTF8String();
    // Without a key or a value there is nothing to store: the file is not even read.
    bool saved = false;
    if (key && value) {
        Ref<NSDictionary> loaded = initDictionaryWithFile(fileName, true);
        if (auto* settings = NSCast<NSMutableDictionary>(loaded.get())) {
            settings->setObjectForKey(value, key->UTF8String());
            saved = settings->writeToFile(fileName, true);
        }
    } else {
        fileName = resolvedPath(fileName);
    }
    Ref<NSString> path = NSString::stringWithUTF8String(fileName);
    if (saved)
        NSLog("saved key '%@' with value '%@' to plist '%@'", key, value, path.get());
    else
        NSLog("could not save key '%@' with value '%@' to plist '%@'", key, value, path.get());
}

void MarrowfinPrefsController::followOnTwitter(NSObject*) {
    openAddress(kTwitterAddress);
}
void MarrowfinPrefsController::visitWebSite(NSObject*) {
    openAddress(kWebSiteAddress);
}
void MarrowfinPrefsController::makeDonation(NSObject*) {
    openAddress(kDonationAddress);
}

NSArray* MarrowfinPrefsController::specifiers() {
    if (!_specifiers) {
        _specifiers = loadSpecifiersFromPlistName("MarrowfinPrefs", this);
        if (_specifiers)
            _specifiers->retain();
    }
    return _specifiers;
}
