#include <Foundation/NSNumber.h>

#include <charconv>
#include <cmath>

Ref<NSNumber> NSNumber::numberWithBool(bool value) {
    Ref<NSNumber> number = adopt(new NSNumber(Kind::Bool));
    number->m_value.b = value;
    return number;
}

Ref<NSNumber> NSNumber::numberWithLongLong(int64_t value) {
    Ref<NSNumber> number = adopt(new NSNumber(Kind::Int));
    number->m_value.i = value;
    return number;
}

Ref<NSNumber> NSNumber::numberWithUnsignedLongLong(uint64_t value) {
    if (value <= static_cast<uint64_t>(INT64_MAX))
        return numberWithLongLong(static_cast<int64_t>(value));
    Ref<NSNumber> number = adopt(new NSNumber(Kind::UInt));
    number->m_value.u = value;
    return number;
}

Ref<NSNumber> NSNumber::numberWithDouble(double value) {
    Ref<NSNumber> number = adopt(new NSNumber(Kind::Double));
    number->m_value.d = value;
    return number;
}

bool NSNumber::boolValue() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_value.b;
    case Kind::Int:
        return m_value.i != 0;
    case Kind::UInt:
        return m_value.u != 0;
    case Kind::Double:
        return m_value.d != 0.0;
    }
    return false;
}

int64_t NSNumber::longLongValue() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_value.b ? 1 : 0;
    case Kind::Int:
        return m_value.i;
    case Kind::UInt:
        return static_cast<int64_t>(m_value.u);
    case Kind::Double:
        if (std::isnan(m_value.d))
            return 0;
        if (m_value.d >= 9.2233720368547758e18)
            return INT64_MAX;
        if (m_value.d <= -9.2233720368547758e18)
            return INT64_MIN;
        return static_cast<int64_t>(m_value.d);
    }
    return 0;
}

uint64_t NSNumber::unsignedLongLongValue() const {
    switch (m_kind) {
    case Kind::UInt:
        return m_value.u;
    case Kind::Double:
        if (!(m_value.d > 0))
            return 0;
        if (m_value.d >= 1.8446744073709552e19)
            return UINT64_MAX;
        return static_cast<uint64_t>(m_value.d);
    default:
        return static_cast<uint64_t>(longLongValue());
    }
}

double NSNumber::doubleValue() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_value.b ? 1.0 : 0.0;
    case Kind::Int:
        return static_cast<double>(m_value.i);
    case Kind::UInt:
        return static_cast<double>(m_value.u);
    case Kind::Double:
        return m_value.d;
    }
    return 0.0;
}

float NSNumber::floatValue() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_value.b ? 1.0f : 0.0f;
    case Kind::Int:
        return static_cast<float>(m_value.i);
    case Kind::UInt:
        return static_cast<float>(m_value.u);
    case Kind::Double:
        return static_cast<float>(m_value.d);
    }
    return 0.0f;
}

std::string NSNumber::description() const {
    char text[64];
    std::to_chars_result end{};
    switch (m_kind) {
    case Kind::Bool:
        return m_value.b ? "1" : "0";
    case Kind::Int:
        end = std::to_chars(text, text + sizeof text, m_value.i);
        break;
    case Kind::UInt:
        end = std::to_chars(text, text + sizeof text, m_value.u);
        break;
    case Kind::Double:
        if (std::isnan(m_value.d))
            return "nan";
        if (std::isinf(m_value.d))
            return m_value.d < 0 ? "-inf" : "inf";
        end = std::to_chars(text, text + sizeof text, m_value.d);
        break;
    }
    return std::string(text, end.ptr);
}

bool NSNumber::isEqual(const NSObject* other) const {
    const NSNumber* number = NSCast<NSNumber>(other);
    if (!number)
        return false;
    if (isBoolean() || number->isBoolean())
        return isBoolean() && number->isBoolean() && m_value.b == number->m_value.b;
    if (m_kind == Kind::Double || number->m_kind == Kind::Double)
        return doubleValue() == number->doubleValue();
    if (m_kind == Kind::UInt || number->m_kind == Kind::UInt)
        return m_kind == number->m_kind && m_value.u == number->m_value.u;
    return m_value.i == number->m_value.i;
}
