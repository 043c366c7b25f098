#pragma once

#include <Foundation/NSObject.h>

#include <cstdint>

// A number or a boolean, as property lists and JSON carry them. Integers keep 64 bits
// (unsigned above the signed range); everything else is a double.
class NSNumber : public NSObject {
public:
    enum class Kind { Bool, Int, UInt, Double };

    static Ref<NSNumber> numberWithBool(bool value);
    static Ref<NSNumber> numberWithLongLong(int64_t value);
    static Ref<NSNumber> numberWithUnsignedLongLong(uint64_t value);
    static Ref<NSNumber> numberWithDouble(double value);

    const char* className() const override { return "NSNumber"; }
    // Booleans read "1" and "0"; integers in decimal; doubles in the shortest form that
    // reads back to the same value.
    std::string description() const override;
    // Same kind family and same value: booleans equal only booleans; integers and doubles
    // compare by value.
    bool isEqual(const NSObject* other) const override;

    Kind kind() const { return m_kind; }
    bool isBoolean() const { return m_kind == Kind::Bool; }
    bool boolValue() const;
    int64_t longLongValue() const;
    uint64_t unsignedLongLongValue() const;
    double doubleValue() const;
    // An integer is rounded to single precision once, not through a double (which would
    // round twice above 2^53).
    float floatValue() const;

private:
    NSNumber(Kind kind) : m_kind(kind) {}
    Kind m_kind;
    union {
        bool b;
        int64_t i;
        uint64_t u;
        double d;
    } m_value{};
};
