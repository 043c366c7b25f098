#pragma once

#include <Preferences/PSListController.h>
#include <Preferences/PSSpecifier.h>

#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#include <string>

// The Marrowfin pane: the currency row and the three links. Its getter and setter read
// and write each setting in the property-list file the row's specifier names.
class MarrowfinPrefsController : public PSListController {
public:
    MarrowfinPrefsController() = default;

    const char* className() const override { return "MarrowfinPrefsController"; }
    const NSSelectorTable* selectorTable() const override;

    // getValueForSpecifier: the setting's value as text, or null.
    Ref<NSString> getValueForSpecifier(PSSpecifier* specifier);
    // setValue:forSpecifier:
    void setValueForSpecifier(NSObject* value, PSSpecifier* specifier);
    // initDictionaryWithFile:asMutable: replaces `fileName` (the "defaults" text) by the
    // resolved path and answers a new dictionary of that file, changeable when asMutable
    // (an NSMutableDictionary), empty when there is no file, null when the file is there
    // but is no property-list dictionary.
    Ref<NSDictionary> initDictionaryWithFile(std::string& fileName, bool asMutable);

    // The link actions; each ignores its sender.
    void followOnTwitter(NSObject* sender);
    void visitWebSite(NSObject* sender);
    void makeDonation(NSObject* sender);

    // Loads the list "MarrowfinPrefs" on the first call that finds it, then answers it.
    NSArray* specifiers() override;

protected:
    ~MarrowfinPrefsController() override = default;
};
