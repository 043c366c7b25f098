#pragma once

#include <Foundation/NSObject.h>

#include <vector>

// An ordered list of objects, each held by the array.
class NSArray : public NSObject {
public:
    NSArray() = default;
    explicit NSArray(std::vector<Ref<NSObject>> objects) : m_objects(std::move(objects)) {}

    const char* className() const override { return "NSArray"; }
    // "(a, b, c)"
    std::string description() const override;
    // Same count and pairwise equal members, at any depth, without recursion.
    bool isEqual(const NSObject* other) const override;

    // objects() is virtual: an array read from JSON makes its members when first asked.
    std::size_t count() const { return objects().size(); }
    // The member at the index, or null past the end.
    NSObject* objectAtIndex(std::size_t index) const {
        const std::vector<Ref<NSObject>>& members = objects();
        return index < members.size() ? members[index].get() : nullptr;
    }
    virtual const std::vector<Ref<NSObject>>& objects() const { return m_objects; }

protected:
    std::vector<Ref<NSObject>> m_objects;
};

class NSMutableArray : public NSArray {
public:
    using NSArray::NSArray;
    const char* className() const override { return "NSMutableArray"; }
    // A null object is not added.
    void addObject(NSObject* object) {
        if (object)
            m_objects.emplace_back(object);
    }
    void removeAllObjects() { m_objects.clear(); }
};
