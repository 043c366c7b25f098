#pragma once

#include <Foundation/Ref.h>

#include <span>
#include <string>
#include <string_view>

class NSObject;

// A method reached by its selector text ("reload:", "setValue:forSpecifier:").
// Arguments beyond those the selector takes are null.
using NSSelectorImp = Ref<NSObject> (*)(NSObject* self, NSObject* first, NSObject* second);

struct NSSelectorEntry {
    std::string_view selector;
    NSSelectorImp imp;
};

// The table a class publishes of the selectors it answers; `super` is the base class's table.
struct NSSelectorTable {
    const NSSelectorTable* super;
    std::span<const NSSelectorEntry> entries;

    NSSelectorImp find(std::string_view selector) const;
};

// The root of every platform object: an intrusive reference count, a class name,
// a text for "%@", equality, and the selector table.
//
// An object made with `new` starts with one hold, owned by its creator. release()
// of the last hold deletes the object; objects freed while another is being freed
// are deleted in a loop, not by recursion, so a structure of any depth can go.
class NSObject {
public:
    NSObject() = default;
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    void retain() const { ++m_retainCount; }
    void release() const;
    unsigned retainCount() const { return m_retainCount; }

    virtual const char* className() const { return "NSObject"; }
    // The text that "%@" inserts for this object.
    virtual std::string description() const;
    virtual bool isEqual(const NSObject* other) const { return this == other; }

    // Selector dispatch by text. An unknown selector answers no, never crashes.
    virtual const NSSelectorTable* selectorTable() const;
    bool respondsToSelector(std::string_view selector) const;
    // Sends the selector; answers whether the object answered it. `result` receives what the
    // method returned, if anything.
    bool performSelector(std::string_view selector, NSObject* first = nullptr,
                         NSObject* second = nullptr, Ref<NSObject>* result = nullptr);

protected:
    virtual ~NSObject();

private:
    mutable unsigned m_retainCount = 1;
};

// The text "%@" gives for an object or for none.
std::string NSDescription(const NSObject* object);

// Checked downcast: the object as T when it is one, else null.
template <typename T>
T* NSCast(NSObject* object) {
    return dynamic_cast<T*>(object);
}
template <typename T>
const T* NSCast(const NSObject* object) {
    return dynamic_cast<const T*>(object);
}
