#include "SettingsCommands.h"

#include "PaneRows.h"

#include <Foundation/JSONQuote.h>
#include <Foundation/LineEscape.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void refuse(const std::string& line) {
    std::fprintf(stderr, "marrowfin settings: %s\n", line.c_str());
}

// "a, b, c": what a refusal offers instead; "none" when there is nothing.
std::string listed(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) {
        if (!item.empty())
            list += (list.empty() ? "" : ", ") + item;
    }
    return list.empty() ? "none" : list;
}

void refuseKey(PSListController* pane, std::string_view key) {
    std::vector<std::string> keys;
    if (NSArray* rows = pane->specifiers()) {
        for (const Ref<NSObject>& row : rows->objects()) {
            if (auto* specifier = NSCast<PSSpecifier>(row.get()))
                keys.push_back(specifier->key());
        }
    }
    refuse("no row has the key '" + std::string(key) + "'; the keys are " + listed(keys));
}

} // namespace

int listRows(PSListController* pane) {
    NSArray* rows = pane->specifiers();
    for (const Ref<NSObject>& object : rows ? rows->objects() : std::vector<Ref<NSObject>>{}) {
        auto* row = NSCast<PSSpecifier>(object.get());
        if (!row)
            continue;
        std::string line =
            "{\"cell\":" + JSONQuoted(row->cellType()) + ",\"label\":" + JSONQuoted(row->name());
        if (!row->key().empty()) {
            std::optional<std::string> value = PaneRows::currentValue(row);
            line += ",\"key\":" + JSONQuoted(row->key()) +
                    ",\"value\":" + (value ? JSONQuoted(*value) : std::string("null"));
        }
        line += "}";
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int getValue(PSListController* pane, std::string_view key) {
    PSSpecifier* row = PaneRows::withKey(pane, key);
    if (!row) {
        refuseKey(pane, key);
        return 2;
    }
    std::optional<std::string> value = PaneRows::currentValue(row);
    if (!value)
        return 1;
    // One line whatever the value holds: a NUL or a newline shows escaped.
    std::string line = LineEscaped(*value) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 0;
}

int setValue(PSListController* pane, std::string_view key, std::string_view value) {
    switch (PaneRows::storeValue(pane, key, value)) {
    case PaneRows::Store::Kept:
        return 0;
    case PaneRows::Store::NotKept:
        return 1;
    case PaneRows::Store::NoRow:
        refuseKey(pane, key);
        return 2;
    case PaneRows::Store::NotAChoice:
        break;
    }
    refuse("'" + std::string(value) + "' is not a choice of '" + std::string(key) +
           "'; the choices are " + listed(PaneRows::choices(PaneRows::withKey(pane, key))));
    return 2;
}

int tapRow(PSListController* pane, std::string_view label) {
    PSSpecifier* row = PaneRows::buttonLabelled(pane, label);
    if (!row) {
        refuse("no button row is labelled '" + std::string(label) + "'; the buttons are " +
               listed(PaneRows::buttonLabels(pane)));
        return 2;
    }
    if (!row->performAction()) {
        refuse("the row '" + std::string(label) + "' has no action");
        return 1;
    }
    return 0;
}
