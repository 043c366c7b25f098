#pragma once

#include <concepts>
#include <cstddef>
#include <utility>

// A retaining pointer to a reference-counted platform object.
//
// Ref<T>(p) takes a hold of its own on p (retain); adopt(p) takes over the hold
// that an allocating initialiser gave its creator (no retain). Either way the
// Ref releases its hold when it goes.
//
// A Ref<U> converts to a Ref<T> only where a U* converts to a T* (an upcast); a
// downcast is spelt out with NSCast. A Ref that is about to go (a temporary) does
// not turn into a raw pointer: the pointer would outlive the only hold on it.

// U's pointer converts to T's: U is T or derives from it.
template <typename U, typename T>
concept UpcastsTo = std::convertible_to<U*, T*>;

template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    Ref(T* object) : m_ptr(object) {
        if (m_ptr)
            m_ptr->retain();
    }
    Ref(const Ref& other) : Ref(other.m_ptr) {}
    Ref(Ref&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template <UpcastsTo<T> U>
    Ref(const Ref<U>& other) : Ref(other.get()) {}
    template <UpcastsTo<T> U>
    Ref(Ref<U>&& other) noexcept : m_ptr(other.leak()) {}
    ~Ref() { clear(); }

    Ref& operator=(Ref other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    static Ref adopt(T* object) {
        Ref ref;
        ref.m_ptr = object;
        return ref;
    }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    T& operator*() const { return *m_ptr; }
    // Testing a Ref is fine whether or not it is about to go; both are ref-qualified so a
    // test of a temporary picks these over the deleted conversion below.
    explicit operator bool() const& { return m_ptr != nullptr; }
    explicit operator bool() && { return m_ptr != nullptr; }
    operator T*() const& { return m_ptr; }
    operator T*() && = delete;

    // Gives up ownership without releasing: the caller now holds the reference.
    [[nodiscard]] T* leak() { return std::exchange(m_ptr, nullptr); }

    void clear() {
        if (T* old = std::exchange(m_ptr, nullptr))
            old->release();
    }

private:
    T* m_ptr = nullptr;
};

template <typename T>
Ref<T> adopt(T* object) {
    return Ref<T>::adopt(object);
}

// Makes a new object whose one hold belongs to the returned Ref.
template <typename T, typename... Args>
Ref<T> make(Args&&... args) {
    return Ref<T>::adopt(new T(std::forward<Args>(args)...));
}
