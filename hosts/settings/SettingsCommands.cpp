#include "SettingsCommands.h"

#include <Foundation/JSONQuote.h>
#include <Foundation/LineEscape.h>

#include <Foundation/NSString.h>
#include <Preferences/PSSpecifier.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void refuse(const std::string& line) {
    std::fprintf(stderr, "marrowfin settings: %s\n", line.c_str());
}

template <typename Predicate>
PSSpecifier* findRow(PSListController* pane, Predicate matches) {
    NSArray* rows = pane->specifiers();
    if (!rows)
        return nullptr;
    for (const Ref<NSObject>& row : rows->objects()) {
        if (auto* specifier = NSCast<PSSpecifier>(row.get()); specifier && matches(specifier))
            return specifier;
    }
    return nullptr;
}

PSSpecifier* rowWithKey(PSListController* pane, std::string_view key) {
    return findRow(pane,
                   [&](PSSpecifier* row) { return !row->key().empty() && row->key() == key; });
}

bool isButton(const PSSpecifier* row) {
    return row->cellType() == "PSButtonCell";
}

// "a, b, c": what a refusal offers instead; "none" when there is nothing.
template <typename Text>
std::string listed(PSListController* pane, Text text) {
    std::string list;
    findRow(pane, [&](PSSpecifier* row) {
        if (std::string item = text(row); !item.empty())
            list += (list.empty() ? "" : ", ") + item;
        return false;
    });
    return list.empty() ? "none" : list;
}

void refuseKey(PSListController* pane, std::string_view key) {
    refuse("no row has the key '" + std::string(key) + "'; the keys are " +
           listed(pane, [](PSSpecifier* row) { return row->key(); }));
}

// The getter's answer as text, or false when there is none.
bool currentValue(PSSpecifier* row, std::string& text) {
    Ref<NSObject> value = row->performGetter();
    if (!value)
        return false;
    text = NSDescription(value.get());
    return true;
}

// The row's choices as texts; empty when it offers none.
std::vector<std::string> choices(PSSpecifier* row) {
    std::vector<std::string> texts;
    if (NSArray* values = row->values()) {
        for (const Ref<NSObject>& value : values->objects())
            texts.push_back(NSDescription(value.get()));
    }
    return texts;
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
            std::string value;
            line += ",\"key\":" + JSONQuoted(row->key()) + ",\"value\":" +
                    (currentValue(row, value) ? JSONQuoted(value) : std::string("null"));
        }
        line += "}";
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

int getValue(PSListController* pane, std::string_view key) {
    PSSpecifier* row = rowWithKey(pane, key);
    if (!row) {
        refuseKey(pane, key);
        return 2;
    }
    std::string value;
    if (!currentValue(row, value))
        return 1;
    // One line whatever the value holds: a NUL or a newline shows escaped.
    std::string line = LineEscaped(value) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 0;
}

int setValue(PSListController* pane, std::string_view key, std::string_view value) {
    PSSpecifier* row = rowWithKey(pane, key);
    if (!row) {
        refuseKey(pane, key);
        return 2;
    }
    std::vector<std::string> offered = choices(row);
    if (!offered.empty() && std::find(offered.begin(), offered.end(), value) == offered.end()) {
        std::string list;
        for (const std::string& choice : offered)
            list += (list.empty() ? "" : ", ") + choice;
        refuse("'" + std::string(value) + "' is not a choice of '" + std::string(key) +
               "'; the choices are " + list);
        return 2;
    }
    row->performSetterWithValue(NSString::stringWithUTF8String(value).get());
    std::string readBack;
    return currentValue(row, readBack) && readBack == value ? 0 : 1;
}

int tapRow(PSListController* pane, std::string_view label) {
    PSSpecifier* row = findRow(pane, [&](PSSpecifier* candidate) {
        return isButton(candidate) && candidate->name() == label;
    });
    if (!row) {
        refuse("no button row is labelled '" + std::string(label) + "'; the buttons are " +
               listed(pane, [](PSSpecifier* row) {
                   return isButton(row) ? row->name() : std::string();
               }));
        return 2;
    }
    if (!row->performAction()) {
        refuse("the row '" + std::string(label) + "' has no action");
        return 1;
    }
    return 0;
}
