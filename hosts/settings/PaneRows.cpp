#include "PaneRows.h"

#include <Foundation/NSString.h>

#include <algorithm>

namespace PaneRows {

namespace {

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

bool isButton(const PSSpecifier* row) {
    return row->cellType() == "PSButtonCell";
}

} // namespace

PSSpecifier* withKey(PSListController* pane, std::string_view key) {
    return findRow(pane,
                   [&](PSSpecifier* row) { return !row->key().empty() && row->key() == key; });
}

PSSpecifier* buttonLabelled(PSListController* pane, std::string_view label) {
    return findRow(pane, [&](PSSpecifier* row) { return isButton(row) && row->name() == label; });
}

std::vector<std::string> buttonLabels(PSListController* pane) {
    std::vector<std::string> labels;
    findRow(pane, [&](PSSpecifier* row) {
        if (isButton(row))
            labels.push_back(row->name());
        return false;
    });
    return labels;
}

std::optional<std::string> currentValue(PSSpecifier* row) {
    Ref<NSObject> value = row->performGetter();
    if (!value)
        return std::nullopt;
    return NSDescription(value.get());
}

std::vector<std::string> choices(PSSpecifier* row) {
    std::vector<std::string> texts;
    if (NSArray* values = row->values()) {
        for (const Ref<NSObject>& value : values->objects())
            texts.push_back(NSDescription(value.get()));
    }
    return texts;
}

Store storeValue(PSListController* pane, std::string_view key, std::string_view value) {
    PSSpecifier* row = withKey(pane, key);
    if (!row)
        return Store::NoRow;
    std::vector<std::string> offered = choices(row);
    if (!offered.empty() && std::find(offered.begin(), offered.end(), value) == offered.end())
        return Store::NotAChoice;
    row->performSetterWithValue(NSString::stringWithUTF8String(value).get());
    return currentValue(row) == value ? Store::Kept : Store::NotKept;
}

} // namespace PaneRows
