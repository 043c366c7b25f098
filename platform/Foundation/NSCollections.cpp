// What arrays and dictionaries share: their texts and their deep equality.
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#include <utility>
#include <vector>

namespace {

// Deep equality with an explicit stack: a structure of any depth compares without recursion.
bool deepEqual(const NSObject* a, const NSObject* b) {
    std::vector<std::pair<const NSObject*, const NSObject*>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x == y)
            continue;
        if (!x || !y)
            return false;
        const NSArray* xa = NSCast<NSArray>(x);
        const NSDictionary* xd = NSCast<NSDictionary>(x);
        if (xa) {
            const NSArray* ya = NSCast<NSArray>(y);
            if (!ya || ya->count() != xa->count())
                return false;
            for (std::size_t i = 0; i < xa->count(); ++i)
                pending.emplace_back(xa->objectAtIndex(i), ya->objectAtIndex(i));
        } else if (xd) {
            const NSDictionary* yd = NSCast<NSDictionary>(y);
            if (!yd || yd->count() != xd->count())
                return false;
            auto yi = yd->entries().begin();
            for (const auto& [key, value] : xd->entries()) {
                if (yi->first != key)
                    return false;
                pending.emplace_back(value.get(), yi->second.get());
                ++yi;
            }
        } else if (!x->isEqual(y)) {
            return false;
        }
    }
    return true;
}

constexpr int kDescriptionDepthLimit = 256;

void describe(std::string& out, const NSObject* object, int depth);

void describeArray(std::string& out, const NSArray* array, int depth) {
    out += '(';
    bool first = true;
    for (const Ref<NSObject>& member : array->objects()) {
        if (!first)
            out += ", ";
        first = false;
        describe(out, member.get(), depth + 1);
    }
    out += ')';
}

void describeDictionary(std::string& out, const NSDictionary* dictionary, int depth) {
    out += '{';
    bool first = true;
    for (const auto& [key, value] : dictionary->entries()) {
        if (!first)
            out += ' ';
        first = false;
        out += key;
        out += " = ";
        describe(out, value.get(), depth + 1);
        out += ';';
    }
    out += '}';
}

void describe(std::string& out, const NSObject* object, int depth) {
    if (depth > kDescriptionDepthLimit) {
        out += "...";
        return;
    }
    if (const NSArray* array = NSCast<NSArray>(object))
        describeArray(out, array, depth);
    else if (const NSDictionary* dictionary = NSCast<NSDictionary>(object))
        describeDictionary(out, dictionary, depth);
    else
        out += NSDescription(object);
}

} // namespace

std::string NSArray::description() const {
    std::string text;
    describeArray(text, this, 0);
    return text;
}

bool NSArray::isEqual(const NSObject* other) const { return deepEqual(this, other); }

std::string NSDictionary::description() const {
    std::string text;
    describeDictionary(text, this, 0);
    return text;
}

bool NSDictionary::isEqual(const NSObject* other) const { return deepEqual(this, other); }

NSObject* NSDictionary::objectForKey(std::string_view key) const {
    auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : it->second.get();
}

NSObject* NSDictionary::objectForKey(const NSString* key) const {
    return key ? objectForKey(std::string_view(key->UTF8String())) : nullptr;
}

void NSMutableDictionary::setObjectForKey(NSObject* object, std::string_view key) {
    if (!object) {
        removeObjectForKey(key);
        return;
    }
    m_entries.insert_or_assign(std::string(key), Ref<NSObject>(object));
}

void NSMutableDictionary::removeObjectForKey(std::string_view key) {
    auto it = m_entries.find(key);
    if (it != m_entries.end())
        m_entries.erase(it);
}
