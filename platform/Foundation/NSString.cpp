#include <Foundation/NSString.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <locale.h>

Ref<NSString> NSString::stringWithUTF8String(std::string_view text) {
    return make<NSString>(std::string(text));
}

Ref<NSString> NSString::stringWithFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = NSFormatV(format, args);
    va_end(args);
    return make<NSString>(std::move(text));
}

bool NSString::isEqual(const NSObject* other) const {
    const NSString* string = NSCast<NSString>(other);
    return string && string->m_text == m_text;
}

float NSString::floatValue() const { return NSParseFloat(m_text); }

void NSMutableString::appendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_text += NSFormatV(format, args);
    va_end(args);
}

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

// Only a plain decimal number is read: optional sign, digits with at most one point,
// an optional exponent. No hex, no "inf" or "nan" words; whatever follows is ignored.
float NSParseFloat(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0f;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    std::string number(text.substr(start, i - start));
    // strtof in the C locale, whatever locale the host runs in: the point is always '.'.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtof_l(number.c_str(), nullptr, cLocale);
}
