#pragma once

#include <Foundation/NSObject.h>

#include <map>
#include <string>
#include <string_view>

class NSString;

// A map from string keys to objects, each held by the dictionary. Keys are kept in
// sorted order, so writing one out is repeatable.
class NSDictionary : public NSObject {
public:
    using Storage = std::map<std::string, Ref<NSObject>, std::less<>>;

    NSDictionary() = default;
    explicit NSDictionary(Storage entries) : m_entries(std::move(entries)) {}

    // The dictionary a property-list file (XML or binary) at the path holds, or null when
    // the file is missing, unreadable, not a property list or its root is no dictionary.
    // The path is the phone's: it is resolved inside the device root.
    static Ref<NSDictionary> dictionaryWithContentsOfFile(std::string_view path);

    const char* className() const override { return "NSDictionary"; }
    // "{key = value; other = value;}"
    std::string description() const override;
    // Same keys with equal values, at any depth, without recursion.
    bool isEqual(const NSObject* other) const override;

    // objectForKey and entries() are virtual: a dictionary read from JSON finds a member in
    // its text when asked for it, and makes them all only when asked for all.
    std::size_t count() const { return entries().size(); }
    // The value under the key, or null.
    virtual NSObject* objectForKey(std::string_view key) const;
    NSObject* objectForKey(const NSString* key) const;
    virtual const Storage& entries() const { return m_entries; }

    // Writes the dictionary as a property-list file at the path (the phone's, resolved inside
    // the device root). With `atomically`, the file is replaced in one step: a reader sees the
    // old file or the new one, never a part. Answers whether the file was written.
    bool writeToFile(std::string_view path, bool atomically) const;

protected:
    Storage m_entries;
};

class NSMutableDictionary : public NSDictionary {
public:
    using NSDictionary::NSDictionary;
    static Ref<NSMutableDictionary> dictionaryWithContentsOfFile(std::string_view path);

    const char* className() const override { return "NSMutableDictionary"; }
    // Stores the object under the key, replacing an earlier one; a null object removes the key.
    void setObjectForKey(NSObject* object, std::string_view key);
    void removeObjectForKey(std::string_view key);
};
