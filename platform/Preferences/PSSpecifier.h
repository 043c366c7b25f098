#pragma once

#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>

#include <string>
#include <string_view>

// One row of a preference pane. Its properties are the row's entries from the
// specifier list ("cell", "label", "key", "defaults", "validValues", ...); the
// getter, setter and action are selector texts bound to a target that answers them.
//
// The specifier does not own its target (the target is the list controller that
// holds the specifier), so the target must outlive every call made through it.
class PSSpecifier : public NSObject {
public:
    PSSpecifier() : m_properties(make<NSMutableDictionary>()) {}

    const char* className() const override { return "PSSpecifier"; }
    // The row's label.
    std::string description() const override { return name(); }

    NSMutableDictionary* properties() const { return m_properties.get(); }

    // A string property, or empty when it is missing or not a string.
    std::string propertyString(std::string_view name) const;
    // "label": the text the row shows.
    std::string name() const { return propertyString("label"); }
    // "cell": the list format's cell name (PSGroupCell, PSLinkListCell, PSButtonCell, ...).
    std::string cellType() const { return propertyString("cell"); }
    // "key", or empty when the row stores no setting.
    std::string key() const { return propertyString("key"); }
    // The choices a row offers ("validValues"), or null when it offers none.
    NSArray* values() const;
    // The titles shown for the choices ("validTitles"), or the values themselves.
    NSArray* titles() const;

    NSObject* target() const { return m_target; }
    void setTarget(NSObject* target) { m_target = target; }
    // Selector texts; empty when the row has no such binding.
    const std::string& getter() const { return m_getter; }
    const std::string& setter() const { return m_setter; }
    const std::string& action() const { return m_action; }
    void setGetter(std::string selector) { m_getter = std::move(selector); }
    void setSetter(std::string selector) { m_setter = std::move(selector); }
    void setAction(std::string selector) { m_action = std::move(selector); }

    // What the settings app does with a row: sends the getter with the specifier and
    // answers the value (null when there is none or no getter is bound); sends the
    // setter with the value and the specifier; sends the action with the specifier as
    // its sender. The last two answer whether a bound selector was sent.
    Ref<NSObject> performGetter();
    bool performSetterWithValue(NSObject* value);
    bool performAction();

private:
    Ref<NSMutableDictionary> m_properties;
    NSObject* m_target = nullptr;
    std::string m_getter;
    std::string m_setter;
    std::string m_action;
};
