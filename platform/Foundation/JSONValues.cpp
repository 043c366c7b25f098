#include <Foundation/JSONValues.h>

#include <Foundation/NSNull.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSString.h>

#include <charconv>
#include <cstdint>

// The text has passed the reader's checks, so scanning it needs none: every string is
// closed, every bracket matched, every number in range.
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// From the opening quote to just past the closing one.
std::size_t skipString(std::string_view text, std::size_t at) {
    ++at;
    for (;;) {
        at = text.find_first_of("\"\\", at);
        if (text[at] == '"')
            return at + 1;
        at += 2; // an escape: the character after the backslash cannot close the string
    }
}

// -? digits (. digits)? ([eE] [+-]? digits)?: a top-level number may be followed by anything.
std::size_t skipNumber(std::string_view text, std::size_t at) {
    auto digits = [&] {
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
    };
    if (text[at] == '-')
        ++at;
    digits();
    if (at < text.size() && text[at] == '.') {
        ++at;
        digits();
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        digits();
    }
    return at;
}

std::size_t skipValue(std::string_view text, std::size_t at) {
    char first = text[at];
    if (first == '"')
        return skipString(text, at);
    if (first == '{' || first == '[') {
        std::size_t depth = 0;
        do {
            char c = text[at];
            if (c == '"') {
                at = skipString(text, at);
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if (c == '}' || c == ']')
                --depth;
            ++at;
        } while (depth > 0);
        return at;
    }
    if (first == 't' || first == 'n')
        return at + 4;
    if (first == 'f')
        return at + 5;
    return skipNumber(text, at);
}

// Calls visit(keyBegin, valueBegin) for each member of the object at `at`, in text order;
// stops early when it answers false.
template <typename Visit>
void forEachMember(std::string_view text, std::size_t at, Visit visit) {
    at = skipBlanks(text, at + 1);
    if (text[at] == '}')
        return;
    for (;;) {
        std::size_t key = at;
        std::size_t value = skipBlanks(text, skipBlanks(text, skipString(text, key)) + 1);
        if (!visit(key, value))
            return;
        at = skipBlanks(text, skipValue(text, value));
        if (text[at] == '}')
            return;
        at = skipBlanks(text, at + 1);
    }
}

template <typename Visit>
void forEachElement(std::string_view text, std::size_t at, Visit visit) {
    at = skipBlanks(text, at + 1);
    if (text[at] == ']')
        return;
    for (;;) {
        visit(at);
        at = skipBlanks(text, skipValue(text, at));
        if (text[at] == ']')
            return;
        at = skipBlanks(text, at + 1);
    }
}

void appendUTF8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

uint32_t hex4(std::string_view digits) {
    uint32_t value = 0;
    std::from_chars(digits.data(), digits.data() + 4, value, 16);
    return value;
}

// The string starting at `at` (its opening quote), its escapes resolved.
std::string stringAt(std::string_view text, std::size_t at) {
    std::string_view inner = text.substr(at + 1, skipString(text, at) - at - 2);
    if (inner.find('\\') == std::string_view::npos)
        return std::string(inner);
    std::string out;
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] != '\\') {
            out += inner[i];
            continue;
        }
        char escaped = inner[++i];
        switch (escaped) {
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            uint32_t unit = hex4(inner.substr(i + 1, 4));
            i += 4;
            if (unit >= 0xD800 && unit <= 0xDBFF) { // a high surrogate: its low one follows
                uint32_t low = hex4(inner.substr(i + 3, 4));
                i += 6;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            appendUTF8(out, unit);
            break;
        }
        default:
            out += escaped; // '"', '\\', '/'
        }
    }
    return out;
}

bool keyEquals(std::string_view text, std::size_t at, std::string_view key) {
    std::string_view raw = text.substr(at + 1, skipString(text, at) - at - 2);
    if (raw.find('\\') == std::string_view::npos)
        return raw == key;
    return stringAt(text, at) == key;
}

Ref<NSObject> numberAt(std::string_view text, std::size_t at) {
    std::string_view digits = text.substr(at, skipValue(text, at) - at);
    const char* end = digits.data() + digits.size();
    if (digits.find_first_of(".eE") == std::string_view::npos) {
        int64_t value = 0;
        if (std::from_chars(digits.data(), end, value).ec == std::errc())
            return NSNumber::numberWithLongLong(value);
        uint64_t large = 0; // above the signed range
        std::from_chars(digits.data(), end, large);
        return NSNumber::numberWithUnsignedLongLong(large);
    }
    double value = 0;
    std::from_chars(digits.data(), end, value);
    return NSNumber::numberWithDouble(value);
}

} // namespace

std::size_t JSONValueEnd(std::string_view text, std::size_t begin) {
    return skipValue(text, begin);
}

Ref<NSObject> JSONValueAt(const JSONText& text, std::size_t begin) {
    std::string_view view = *text;
    switch (view[begin]) {
    case '{':
        return make<JSONDictionary>(text, begin);
    case '[':
        return make<JSONArray>(text, begin);
    case '"':
        return make<NSString>(stringAt(view, begin));
    case 't':
        return NSNumber::numberWithBool(true);
    case 'f':
        return NSNumber::numberWithBool(false);
    case 'n':
        return NSNull::null();
    default:
        return numberAt(view, begin);
    }
}

NSObject* JSONDictionary::objectForKey(std::string_view key) const {
    auto made = m_members.find(key);
    if (made != m_members.end() || m_complete)
        return made == m_members.end() ? nullptr : made->second.get();
    // A repeated key keeps its last value: the whole object is read.
    std::size_t found = std::string::npos;
    forEachMember(*m_text, m_begin, [&](std::size_t keyAt, std::size_t valueAt) {
        if (keyEquals(*m_text, keyAt, key))
            found = valueAt;
        return true;
    });
    if (found == std::string::npos)
        return nullptr;
    return m_members.emplace(std::string(key), JSONValueAt(m_text, found)).first->second.get();
}

const NSDictionary::Storage& JSONDictionary::entries() const {
    if (m_complete)
        return m_members;
    std::map<std::string, std::size_t, std::less<>> lastValues;
    forEachMember(*m_text, m_begin, [&](std::size_t keyAt, std::size_t valueAt) {
        lastValues.insert_or_assign(stringAt(*m_text, keyAt), valueAt);
        return true;
    });
    for (const auto& [key, valueAt] : lastValues) {
        if (!m_members.contains(key)) // one already asked for stays the same object
            m_members.emplace(key, JSONValueAt(m_text, valueAt));
    }
    m_complete = true;
    return m_members;
}

const std::vector<Ref<NSObject>>& JSONArray::objects() const {
    if (!m_complete) {
        forEachElement(*m_text, m_begin,
                       [&](std::size_t at) { m_members.push_back(JSONValueAt(m_text, at)); });
        m_complete = true;
    }
    return m_members;
}
