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

    std::size_t count() const { return m_objects.size(); }
    // The member at the index, or null past the end.
    NSObject* objectAtIndex(std::size_t index) const {
        return index < m_objects.size() ? m_objects[index].get() : nullptr;
    }
    const std::vector<Ref<NSObject>>& objects() const { return m_objects; }

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
