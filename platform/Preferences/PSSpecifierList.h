#pragma once

#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>

#include <string_view>

// Builds the specifiers of a specifier list in the settings app's format: a dictionary
// with an "items" array (and an optional "title"), each item a dictionary of the row's
// properties ("cell", "label", "key", "defaults", "get", "set", "action", "validValues",
// "validTitles", ...).
//
// Every getter ("get"), setter ("set") and action ("action") an item names is bound to
// the target by its selector text. A name the target does not answer is one log line,
// and the row then has no such binding. An item that is not a dictionary is one log
// line and left out. Answers null, with one log line, when the list has no "items" array.
// `listName` only names the list in the log lines.
Ref<NSArray> PSSpecifiersFromList(const NSDictionary* list, std::string_view listName,
                                  NSObject* target);
