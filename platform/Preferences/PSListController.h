#pragma once

#include <Foundation/NSArray.h>
#include <Foundation/NSBundle.h>

#include <string>
#include <string_view>

// The controller of a preference pane: its rows (specifiers) and the bundle they come from.
//
// A subclass loads its list with loadSpecifiersFromPlistName and keeps it in `_specifiers`,
// taking a counted reference of its own (retain); the base class releases it when the
// controller goes.
class PSListController : public NSObject {
public:
    PSListController() = default;

    const char* className() const override { return "PSListController"; }

    // The pane's rows: `_specifiers` as it stands (a subclass loads it here).
    virtual NSArray* specifiers() { return _specifiers; }

    // The bundle the pane's resources are read from; the settings app sets it before it
    // asks for the specifiers. The controller holds it.
    NSBundle* bundle() const { return m_bundle.get(); }
    void setBundle(NSBundle* bundle) { m_bundle = bundle; }

    // The pane's title: the loaded list's "title", or empty.
    const std::string& title() const { return m_title; }

    // The specifiers of "<bundle>/<name>.plist", with every getter, setter and action the
    // list names bound to the target (see PSSpecifiersFromList). Null, with one log line,
    // when there is no bundle or the list is missing or unreadable.
    //
    // The list belongs to the controller until the next load or the controller's end; a
    // caller that keeps it takes a counted reference of its own.
    NSArray* loadSpecifiersFromPlistName(std::string_view name, NSObject* target);
    // Why the last load found no list, as its log line said; empty when it found one. A
    // host that reports the pane's failure itself can tell the log has said it already.
    const std::string& specifierLoadError() const { return m_loadError; }

protected:
    ~PSListController() override;

    NSArray* _specifiers = nullptr;

private:
    Ref<NSBundle> m_bundle;
    Ref<NSArray> m_loaded;
    std::string m_title;
    std::string m_loadError;
};
