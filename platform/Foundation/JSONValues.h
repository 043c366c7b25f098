#pragma once

// Platform-internal: the values of JSON text that the reader has already checked whole, made
// from the text only as they are asked for. A reply of megabytes costs its text and the few
// values a caller looks at, not an object for every number in it.
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>

#include <cstddef>
#include <memory>
#include <string>

using JSONText = std::shared_ptr<const std::string>;

// The value whose text starts at `begin` (no blanks before it) in checked JSON text.
Ref<NSObject> JSONValueAt(const JSONText& text, std::size_t begin);

// Where the value starting at `begin` in checked JSON text ends.
std::size_t JSONValueEnd(std::string_view text, std::size_t begin);

// An object: objectForKey reads the text for that key and keeps what it made, so asking
// again answers the same object; entries() makes every member (one level down).
class JSONDictionary final : public NSDictionary {
public:
    JSONDictionary(JSONText text, std::size_t begin) : m_text(std::move(text)), m_begin(begin) {}

    using NSDictionary::objectForKey;
    NSObject* objectForKey(std::string_view key) const override;
    const Storage& entries() const override;

private:
    JSONText m_text;
    std::size_t m_begin;       // at the '{'
    mutable Storage m_members; // those made so far; all of them once m_complete
    mutable bool m_complete = false;
};

// An array: its members are made (one level down) when it is first asked for any.
class JSONArray final : public NSArray {
public:
    JSONArray(JSONText text, std::size_t begin) : m_text(std::move(text)), m_begin(begin) {}

    const std::vector<Ref<NSObject>>& objects() const override;

private:
    JSONText m_text;
    std::size_t m_begin; // at the '['
    mutable std::vector<Ref<NSObject>> m_members;
    mutable bool m_complete = false;
};
