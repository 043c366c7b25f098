// The JSON reader and writer. nlohmann/json supplies the grammar through its SAX interface
// (its parser is iterative); this file builds the objects with an explicit stack and adds
// the rules the library does not enforce. Keep nlohmann/json to this one file: it is heavy.
#include <Foundation/NSJSONSerialization.h>

#include <Foundation/JSONValues.h>
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <iterator>
#include <vector>

namespace {

using json = nlohmann::json;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isNoncharacter(uint32_t codePoint) {
    return (codePoint >= 0xFDD0 && codePoint <= 0xFDEF) || (codePoint & 0xFFFE) == 0xFFFE;
}

// Whether the text is well-formed UTF-8 (no overlong forms, no encoded surrogates, nothing
// above U+10FFFF) and holds no noncharacter. `why` receives the first fault.
bool isAcceptableText(std::string_view text, std::string& why) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t trailing = 0;
        unsigned char low = 0x80, high = 0xBF; // range of the first continuation byte
        uint32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2;
            codePoint = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0; // below is overlong
            else if (lead == 0xED)
                high = 0x9F; // above are the surrogates U+D800..U+DFFF
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3;
            codePoint = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90; // below is overlong
            else if (lead == 0xF4)
                high = 0x8F; // above is beyond U+10FFFF
        } else {
            why = "invalid UTF-8 lead byte";
            return false;
        }
        if (static_cast<std::size_t>(end - p) <= trailing) {
            why = "truncated UTF-8 sequence";
            return false;
        }
        for (std::size_t i = 1; i <= trailing; ++i) {
            unsigned char byte = p[i];
            unsigned char min = i == 1 ? low : 0x80, max = i == 1 ? high : 0xBF;
            if (byte < min || byte > max) {
                why = "invalid UTF-8 sequence (overlong, surrogate or bad continuation)";
                return false;
            }
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (isNoncharacter(codePoint)) {
            why = "noncharacter in string";
            return false;
        }
        p += trailing + 1;
    }
    return true;
}

// Checks one read and, when asked to, builds its objects. Nested values wait on two flat
// stacks (values and keys); each open container is a frame that remembers where its members
// begin. Closing a container moves its members into the new object, so nesting costs no
// recursion. Without building, only the frames are kept: the text is checked whole and its
// values are made later, as they are asked for.
class ObjectBuilder {
public:
    ObjectBuilder(unsigned options, bool build) : m_options(options), m_build(build) {}

    Ref<NSObject> takeResult() { return std::move(m_result); }
    const std::string& error() const { return m_error; }

    bool null() {
        return addScalar([] { return NSNull::null(); });
    }
    bool boolean(bool value) {
        return addScalar([value] { return NSNumber::numberWithBool(value); });
    }
    bool number_integer(json::number_integer_t value) {
        return addScalar([value] { return NSNumber::numberWithLongLong(value); });
    }
    bool number_unsigned(json::number_unsigned_t value) {
        return addScalar([value] { return NSNumber::numberWithUnsignedLongLong(value); });
    }
    bool number_float(json::number_float_t value, const json::string_t& text) {
        // The library hands on an integer that does not fit 64 bits as a double.
        if (text.find_first_of(".eE") == std::string::npos)
            return fail("integer out of 64-bit range: " + text);
        if (!std::isfinite(value))
            return fail("number out of double range: " + text);
        if (value == 0.0 && hasNonZeroMantissa(text))
            return fail("number underflows to zero: " + text);
        return addScalar([value] { return NSNumber::numberWithDouble(value); });
    }
    bool string(json::string_t& value) {
        std::string why;
        if (!isAcceptableText(value, why))
            return fail(why);
        return addScalar([&]() -> Ref<NSObject> {
            if (m_options & NSJSONReadingMutableLeaves)
                return make<NSMutableString>(std::move(value));
            return make<NSString>(std::move(value));
        });
    }
    bool binary(json::binary_t&) { return fail("binary values are not JSON"); }

    bool start_object(std::size_t) { return open(); }
    bool key(json::string_t& key) {
        std::string why;
        if (!isAcceptableText(key, why))
            return fail(why + " (in a key)");
        if (m_build)
            m_keys.push_back(std::move(key));
        return true;
    }
    bool end_object() {
        Frame frame = m_frames.back();
        m_frames.pop_back();
        if (!m_build)
            return true;
        NSDictionary::Storage entries;
        for (std::size_t i = 0; frame.keysStart + i < m_keys.size(); ++i) {
            // Later entries replace earlier ones: a repeated key keeps its last value.
            entries.insert_or_assign(std::move(m_keys[frame.keysStart + i]),
                                     std::move(m_values[frame.valuesStart + i]));
        }
        m_keys.resize(frame.keysStart);
        m_values.resize(frame.valuesStart);
        if (m_options & NSJSONReadingMutableContainers)
            return addValue(make<NSMutableDictionary>(std::move(entries)));
        return addValue(make<NSDictionary>(std::move(entries)));
    }

    bool start_array(std::size_t) { return open(); }
    bool end_array() {
        Frame frame = m_frames.back();
        m_frames.pop_back();
        if (!m_build)
            return true;
        auto first = m_values.begin() + static_cast<std::ptrdiff_t>(frame.valuesStart);
        std::vector<Ref<NSObject>> members(std::make_move_iterator(first),
                                           std::make_move_iterator(m_values.end()));
        m_values.erase(first, m_values.end());
        if (m_options & NSJSONReadingMutableContainers)
            return addValue(make<NSMutableArray>(std::move(members)));
        return addValue(make<NSArray>(std::move(members)));
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
        return fail(ex.what());
    }

private:
    struct Frame {
        std::size_t valuesStart;
        std::size_t keysStart;
    };

    static bool hasNonZeroMantissa(std::string_view text) {
        std::string_view mantissa = text.substr(0, text.find_first_of("eE"));
        return mantissa.find_first_of("123456789") != std::string_view::npos;
    }

    bool open() {
        if (m_frames.size() == NSJSONSerialization::maxNestingDepth)
            return fail("nesting deeper than " +
                        std::to_string(NSJSONSerialization::maxNestingDepth) + " levels");
        m_frames.push_back({m_values.size(), m_keys.size()});
        return true;
    }

    template <typename Make>
    bool addScalar(Make make) {
        if (m_frames.empty() && !(m_options & NSJSONReadingAllowFragments))
            return fail("the top-level value must be an object or an array");
        return !m_build || addValue(make());
    }

    bool addValue(Ref<NSObject> value) {
        if (m_frames.empty())
            m_result = std::move(value);
        else
            m_values.push_back(std::move(value));
        return true;
    }

    bool fail(std::string why) {
        m_error = std::move(why);
        return false;
    }

    unsigned m_options;
    bool m_build;
    std::vector<Frame> m_frames;
    std::vector<Ref<NSObject>> m_values;
    std::vector<std::string> m_keys;
    Ref<NSObject> m_result;
    std::string m_error;
};

// Writes one value at a time; open containers wait on an explicit stack.
class JSONWriter {
public:
    bool write(const NSObject* root) {
        if (!writeValue(root))
            return false;
        while (!m_levels.empty()) {
            Level& level = m_levels.back();
            if (level.array) {
                if (level.index == level.array->count()) {
                    m_out += ']';
                    m_levels.pop_back();
                    continue;
                }
                if (level.index > 0)
                    m_out += ',';
                const NSObject* member = level.array->objectAtIndex(level.index++);
                if (!writeValue(member)) // may push: `level` is not used after this
                    return false;
            } else {
                if (level.next == level.dictionary->entries().end()) {
                    m_out += '}';
                    m_levels.pop_back();
                    continue;
                }
                if (level.next != level.dictionary->entries().begin())
                    m_out += ',';
                const auto& [key, value] = *level.next++;
                if (!writeString(key))
                    return false;
                m_out += ':';
                if (!writeValue(value.get()))
                    return false;
            }
        }
        return true;
    }

    std::string& output() { return m_out; }
    const std::string& error() const { return m_error; }

private:
    struct Level {
        const NSArray* array = nullptr;
        const NSDictionary* dictionary = nullptr;
        std::size_t index = 0;
        NSDictionary::Storage::const_iterator next{};
    };

    bool writeValue(const NSObject* value) {
        if (!value)
            return fail("a missing value cannot be written");
        if (NSCast<NSNull>(value)) {
            m_out += "null";
        } else if (const NSNumber* number = NSCast<NSNumber>(value)) {
            return writeNumber(number);
        } else if (const NSString* string = NSCast<NSString>(value)) {
            return writeString(string->UTF8String());
        } else if (const NSArray* array = NSCast<NSArray>(value)) {
            m_out += '[';
            m_levels.push_back({array, nullptr, 0, {}});
        } else if (const NSDictionary* dictionary = NSCast<NSDictionary>(value)) {
            m_out += '{';
            m_levels.push_back({nullptr, dictionary, 0, dictionary->entries().begin()});
        } else {
            return fail(std::string("a ") + value->className() + " cannot be written as JSON");
        }
        return true;
    }

    bool writeNumber(const NSNumber* number) {
        char text[64];
        std::to_chars_result end{};
        switch (number->kind()) {
        case NSNumber::Kind::Bool:
            m_out += number->boolValue() ? "true" : "false";
            return true;
        case NSNumber::Kind::Int:
            end = std::to_chars(text, text + sizeof text, number->longLongValue());
            break;
        case NSNumber::Kind::UInt:
            end = std::to_chars(text, text + sizeof text, number->unsignedLongLongValue());
            break;
        case NSNumber::Kind::Double: {
            double value = number->doubleValue();
            if (!std::isfinite(value))
                return fail("a NaN or infinite number cannot be written as JSON");
            end = std::to_chars(text, text + sizeof text, value); // shortest round trip
            m_out.append(text, end.ptr);
            // Keep it a double when read back: "1" would come back as an integer.
            if (std::string_view(text, end.ptr).find_first_of(".e") == std::string_view::npos)
                m_out += ".0";
            return true;
        }
        }
        m_out.append(text, end.ptr);
        return true;
    }

    bool writeString(std::string_view text) {
        std::string why;
        if (!isAcceptableText(text, why))
            return fail(why);
        static const char hex[] = "0123456789abcdef";
        m_out += '"';
        for (char c : text) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '\b':
                m_out += "\\b";
                break;
            case '\f':
                m_out += "\\f";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    m_out += "\\u00";
                    m_out += hex[(c >> 4) & 0xF];
                    m_out += hex[c & 0xF];
                } else {
                    m_out += c;
                }
            }
        }
        m_out += '"';
        return true;
    }

    bool fail(std::string why) {
        m_error = std::move(why);
        return false;
    }

    std::vector<Level> m_levels;
    std::string m_out;
    std::string m_error;
};

} // namespace

Ref<NSObject> NSJSONSerialization::JSONObjectWithData(const NSData* data, unsigned options,
                                                      std::string* error) {
    if (!data) {
        if (error)
            *error = "no data";
        return nullptr;
    }
    return JSONObjectWithBytes(data->view(), options, error);
}

Ref<NSObject> NSJSONSerialization::JSONObjectWithBytes(std::string_view bytes, unsigned options,
                                                       std::string* error) {
    auto fail = [error](std::string why) -> Ref<NSObject> {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    if (bytes.empty())
        return fail("no JSON text: the buffer is empty");
    // The library skips a leading byte-order mark; JSON text has none.
    if (bytes.starts_with(kByteOrderMark))
        return fail("a byte-order mark is not allowed");

    // With StopAfterFirstValue the library stops right after the first value (non-strict
    // mode). Otherwise its strict mode checks that only blanks follow, but it also takes a NUL
    // byte for the end of the text; a raw NUL is never valid JSON, so any NUL is refused here.
    bool stopAfterFirstValue = options & NSJSONReadingStopAfterFirstValue;
    if (!stopAfterFirstValue && bytes.find('\0') != std::string_view::npos)
        return fail("a raw NUL byte is not valid JSON text");

    // Mutable results are built at once; the others are made from the checked text as they
    // are asked for.
    bool build = options & (NSJSONReadingMutableContainers | NSJSONReadingMutableLeaves);
    ObjectBuilder builder(options, build);
    bool ok = false;
    try {
        ok = json::sax_parse(bytes.data(), bytes.data() + bytes.size(), &builder,
                             json::input_format_t::json, /*strict=*/!stopAfterFirstValue,
                             /*ignore_comments=*/false);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (!ok)
        return fail(builder.error());
    if (build) {
        Ref<NSObject> result = builder.takeResult();
        if (!result)
            return fail("no JSON value");
        return result;
    }
    std::size_t begin = bytes.find_first_not_of(" \t\n\r");
    if (begin == std::string_view::npos)
        return fail("no JSON value");
    // Only the first value's text is kept; what follows it is no part of the result.
    std::size_t end = JSONValueEnd(bytes, begin);
    return JSONValueAt(std::make_shared<const std::string>(bytes.substr(begin, end - begin)), 0);
}

std::string NSJSONSerialization::JSONStringFromObject(const NSObject* object, std::string* error) {
    JSONWriter writer;
    try {
        if (!writer.write(object)) {
            if (error)
                *error = writer.error();
            return {};
        }
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return {};
    }
    return std::move(writer.output());
}
