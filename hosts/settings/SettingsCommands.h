#pragma once

#include <Preferences/PSListController.h>

#include <string_view>

// The subcommands of `marrowfin settings`, on an opened pane. Each prints its answer on
// stdout, a refusal as one line on stderr, and answers the exit status.

// One JSON object a row: "cell", "label"; a row with a "key" adds "key" and "value" (the
// getter's answer, null when there is none).
int listRows(PSListController* pane);
// The getter's answer, escaped as LineEscaped does: 0; 1 with nothing printed when there is none; 2
// when no row has the key.
int getValue(PSListController* pane, std::string_view key);
// Stores the value through the row's setter and reads it back: 0 when the getter then
// answers the value, 1 when it does not; 2 when no row has the key or the row offers choices
// and the value is none of them.
int setValue(PSListController* pane, std::string_view key, std::string_view value);
// Sends the action of the button row with that label: 0; 1 when the row has no action;
// 2 when no button row has that label.
int tapRow(PSListController* pane, std::string_view label);
