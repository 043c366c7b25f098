#include <Preferences/PSSpecifierList.h>

#include <Foundation/NSLog.h>
#include <Foundation/NSString.h>
#include <Preferences/PSSpecifier.h>

#include <string>

namespace {

struct Binding {
    const char* property; // the list's name for it
    const char* role;     // how the log line calls it
    void (PSSpecifier::*bind)(std::string);
};

constexpr Binding kBindings[] = {
    {"get", "getter", &PSSpecifier::setGetter},
    {"set", "setter", &PSSpecifier::setSetter},
    {"action", "action", &PSSpecifier::setAction},
};

void bindSelectors(PSSpecifier* specifier, std::string_view listName, NSObject* target) {
    specifier->setTarget(target);
    const char* targetName = target ? target->className() : "no target";
    for (const Binding& binding : kBindings) {
        NSObject* named = specifier->properties()->objectForKey(binding.property);
        if (!named)
            continue;
        const NSString* selector = NSCast<NSString>(named);
        if (!selector) {
            NSLog("specifier list %s: row '%s' has a %s that is not a selector name; the row has "
                  "no %s",
                  std::string(listName).c_str(), specifier->name().c_str(), binding.role,
                  binding.role);
            continue;
        }
        if (!target || !target->respondsToSelector(selector->UTF8String())) {
            NSLog("specifier list %s: row '%s' names the %s '%s' that %s does not answer; the row "
                  "has no %s",
                  std::string(listName).c_str(), specifier->name().c_str(), binding.role,
                  selector->UTF8String().c_str(), targetName, binding.role);
            continue;
        }
        (specifier->*binding.bind)(selector->UTF8String());
    }
}

} // namespace

Ref<NSArray> PSSpecifiersFromList(const NSDictionary* list, std::string_view listName,
                                  NSObject* target) {
    const NSArray* items = list ? NSCast<NSArray>(list->objectForKey("items")) : nullptr;
    if (!items) {
        NSLog("specifier list %s has no \"items\" array", std::string(listName).c_str());
        return nullptr;
    }
    auto specifiers = make<NSMutableArray>();
    for (std::size_t index = 0; index < items->count(); ++index) {
        const NSDictionary* item = NSCast<NSDictionary>(items->objectAtIndex(index));
        if (!item) {
            NSLog("specifier list %s: item %zu is not a dictionary; it is left out",
                  std::string(listName).c_str(), index);
            continue;
        }
        auto specifier = make<PSSpecifier>();
        for (const auto& [name, value] : item->entries())
            specifier->properties()->setObjectForKey(value.get(), name);
        bindSelectors(specifier.get(), listName, target);
        specifiers->addObject(specifier.get());
    }
    return specifiers;
}
