#pragma once

#include <Preferences/PSListController.h>
#include <Preferences/PSSpecifier.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading and changing an opened pane's rows, as the Settings app does; shared by
// `marrowfin settings` and the panel window's menu.
namespace PaneRows {

// The first row with that key, or null.
PSSpecifier* withKey(PSListController* pane, std::string_view key);
// The first button row with that label, or null.
PSSpecifier* buttonLabelled(PSListController* pane, std::string_view label);
// The labels of the button rows, in order.
std::vector<std::string> buttonLabels(PSListController* pane);

// The getter's answer as text, or none.
std::optional<std::string> currentValue(PSSpecifier* row);
// The row's choices as texts; empty when it offers none.
std::vector<std::string> choices(PSSpecifier* row);

enum class Store { Kept, NotKept, NoRow, NotAChoice };
// Stores the value through the row's setter and reads it back: Kept when the getter then
// answers the value; NoRow or NotAChoice (nothing stored) when no row has the key or the
// row offers choices and the value is none of them.
Store storeValue(PSListController* pane, std::string_view key, std::string_view value);

} // namespace PaneRows
