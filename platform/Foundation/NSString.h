#pragma once

#include <Foundation/NSObject.h>

#include <cstdarg>
#include <string>
#include <string_view>

// An immutable text, held as UTF-8.
class NSString : public NSObject {
public:
    explicit NSString(std::string text = {}) : m_text(std::move(text)) {}

    static Ref<NSString> stringWithUTF8String(std::string_view text);
    // printf's conversions, plus "%@": the text of an NSObject* argument, "(null)" for none.
    static Ref<NSString> stringWithFormat(const char* format, ...);

    const char* className() const override { return "NSString"; }
    std::string description() const override { return m_text; }
    bool isEqual(const NSObject* other) const override;

    const std::string& UTF8String() const { return m_text; }
    std::size_t length() const { return m_text.size(); }
    bool isEqualToString(std::string_view text) const { return m_text == text; }
    bool hasPrefix(std::string_view prefix) const { return m_text.starts_with(prefix); }
    bool hasPrefix(const NSString* prefix) const { return prefix && hasPrefix(prefix->m_text); }
    // The decimal number at the start of the text, leading blanks skipped, in single
    // precision; 0 when the text does not begin with a number.
    float floatValue() const;

protected:
    std::string m_text;
};

class NSMutableString : public NSString {
public:
    using NSString::NSString;
    const char* className() const override { return "NSMutableString"; }
    void appendString(std::string_view text) { m_text.append(text); }
    void appendFormat(const char* format, ...);
    void setString(std::string_view text) { m_text.assign(text); }
};

// The platform's string formatting (not checked by the compiler: "%@" is no printf conversion), into a std::string. "%@" takes an NSObject*.
std::string NSFormat(const char* format, ...);
std::string NSFormatV(const char* format, va_list args);

// The number at the start of a text, as floatValue reads it.
float NSParseFloat(std::string_view text);
