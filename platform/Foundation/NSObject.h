#pragma once

#include <Foundation/Ref.h>

#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

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

// A selector table entry that calls a member function: NSSelectorMethod<&C::reload>("reload:").
// The method takes up to two pointer arguments, NSObject* or a subclass (an argument of another
// class arrives as null), and returns nothing or a Ref.
namespace NSSelectorDetail {

template <typename A>
A argument(NSObject* given) {
    static_assert(std::is_pointer_v<A>, "a selector's arguments are objects");
    return NSCast<std::remove_pointer_t<A>>(given);
}

template <auto Method, typename C, typename R, typename... A, std::size_t... I>
Ref<NSObject> call(C* object, NSObject* const (&given)[2], std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>) {
        (object->*Method)(argument<A>(given[I])...);
        return nullptr;
    } else {
        return (object->*Method)(argument<A>(given[I])...);
    }
}

template <auto Method, typename C, typename R, typename... A>
Ref<NSObject> invoke(R (C::*)(A...), NSObject* self, NSObject* first, NSObject* second) {
    static_assert(sizeof...(A) <= 2, "a selector takes at most two arguments");
    NSObject* const given[2] = {first, second};
    return call<Method, C, R, A...>(static_cast<C*>(self), given, std::index_sequence_for<A...>{});
}

} // namespace NSSelectorDetail

template <auto Method>
NSSelectorEntry NSSelectorMethod(std::string_view selector) {
    return {selector, [](NSObject* self, NSObject* first, NSObject* second) {
                return NSSelectorDetail::invoke<Method>(Method, self, first, second);
            }};
}
