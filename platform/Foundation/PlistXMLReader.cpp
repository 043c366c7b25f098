// The XML property-list reader: one pass over the text with an explicit stack, so neither a
// deep list nor a long one costs more than its length.
#include <Foundation/NSData.h>
#include <Foundation/NSDate.h>
#include <Foundation/NSNumber.h>
#include <Foundation/NSPropertyList.h>
#include <Foundation/NSString.h>
#include <Foundation/PlistReaders.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace NSPropertyList {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}
int digitValue(char c, int base) {
    int value = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
    return value < base ? value : -1;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// "<integer>": decimal or 0x-hexadecimal, signed; above the signed range it is unsigned.
Ref<NSObject> integerFrom(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return nullptr;
    uint64_t magnitude = 0;
    for (char c : text) {
        int digit = digitValue(c, base);
        if (digit < 0 || magnitude > (UINT64_MAX - static_cast<uint64_t>(digit)) / base)
            return nullptr;
        magnitude = magnitude * base + static_cast<uint64_t>(digit);
    }
    if (negative) {
        if (magnitude > uint64_t{1} << 63)
            return nullptr;
        return NSNumber::numberWithLongLong(static_cast<int64_t>(0 - magnitude));
    }
    if (magnitude > static_cast<uint64_t>(INT64_MAX))
        return NSNumber::numberWithUnsignedLongLong(magnitude);
    return NSNumber::numberWithLongLong(static_cast<int64_t>(magnitude));
}

Ref<NSObject> realFrom(std::string_view text) {
    std::string number(trimmed(text));
    if (number.empty())
        return nullptr;
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    char* end = nullptr;
    double value = strtod_l(number.c_str(), &end, cLocale);
    if (end != number.c_str() + number.size())
        return nullptr;
    return NSNumber::numberWithDouble(value);
}

// "<date>": YYYY-MM-DDTHH:MM:SSZ, in the range the writer can write back.
Ref<NSObject> dateFrom(std::string_view text) {
    text = trimmed(text);
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return nullptr;
    auto field = [&](std::size_t at, std::size_t length, int& out) {
        out = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            int digit = digitValue(text[i], 10);
            if (digit < 0)
                return false;
            out = out * 10 + digit;
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!field(0, 4, year) || !field(5, 2, month) || !field(8, 2, day) || !field(11, 2, hour) ||
        !field(14, 2, minute) || !field(17, 2, second) || month < 1 || month > 12 || day < 1 ||
        day > 31 || hour > 23 || minute > 59 || second > 60)
        return nullptr;
    // Days from the civil date (Howard Hinnant's algorithm), then seconds from 2001-01-01.
    int y = year - (month <= 2);
    int era = y / 400;
    int yearOfEra = y - era * 400;
    int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t days = int64_t{era} * 146097 + dayOfEra - 719468;
    double seconds =
        static_cast<double>((days - 11323) * 86400 + hour * 3600 + minute * 60 + second);
    if (seconds <= std::numeric_limits<int32_t>::min() ||
        seconds >= std::numeric_limits<int32_t>::max())
        return nullptr;
    return NSDate::dateWithTimeIntervalSinceReferenceDate(seconds);
}

// "<data>": base64, blanks anywhere.
Ref<NSObject> dataFrom(std::string_view text) {
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    int count = 0, padding = 0;
    for (char c : text) {
        if (isSpace(c))
            continue;
        int value = c >= 'A' && c <= 'Z'   ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+'             ? 62
                    : c == '/'             ? 63
                    : c == '='             ? 64
                                           : -1;
        if (value < 0 || (padding > 0 && value != 64))
            return nullptr;
        if (value == 64) {
            ++padding;
            value = 0;
        }
        bits = bits << 6 | static_cast<uint32_t>(value);
        if (++count == 4) {
            int keep = 3 - padding;
            if (keep < 1)
                return nullptr;
            for (int k = 0; k < keep; ++k)
                bytes.push_back(static_cast<uint8_t>(bits >> (16 - 8 * k)));
            bits = 0;
            count = 0;
        }
    }
    if (count != 0)
        return nullptr;
    return make<NSData>(std::move(bytes));
}

struct Tag {
    std::string_view name;
    bool closing = false;
    bool empty = false; // <name/>
};

class XMLReader {
public:
    XMLReader(std::string_view text, std::string& error) : m_text(text), m_error(error) {}

    Ref<NSObject> read(bool mutableRoot) {
        if (m_text.starts_with("\xEF\xBB\xBF"))
            m_at = 3;
        Tag tag;
        if (!nextTag(tag, true))
            return nullptr;
        bool wrapped = !tag.closing && tag.name == "plist";
        if (wrapped && (tag.empty || !nextTag(tag, false)))
            return failed("no value inside <plist>");
        Ref<NSObject> root = readValue(tag, mutableRoot);
        if (!root)
            return nullptr;
        if (wrapped && (!nextTag(tag, false) || !tag.closing || tag.name != "plist"))
            return failed("no </plist> after the value");
        // Whatever follows the list is not looked at: a file padded with zeros still reads.
        return root;
    }

private:
    Ref<NSObject> failed(const char* reason) {
        if (m_error.empty())
            m_error = reason;
        return nullptr;
    }

    // Skips blanks, comments, processing instructions and declarations.
    void skipMisc() {
        while (m_at < m_text.size()) {
            std::string_view rest = m_text.substr(m_at);
            if (isSpace(rest.front())) {
                ++m_at;
            } else if (rest.starts_with("<!--")) {
                skipPast("-->", 4);
            } else if (rest.starts_with("<?")) {
                skipPast("?>", 2);
            } else if (rest.starts_with("<!") && !rest.starts_with("<![CDATA[")) {
                skipDeclaration();
            } else {
                return;
            }
        }
    }
    void skipPast(std::string_view end, std::size_t from) {
        std::size_t at = m_text.find(end, m_at + from);
        m_at = at == std::string_view::npos ? m_text.size() : at + end.size();
    }
    // <!DOCTYPE ...>, with an internal subset in brackets and quoted strings honoured.
    void skipDeclaration() {
        int brackets = 0;
        char quote = 0;
        for (m_at += 2; m_at < m_text.size(); ++m_at) {
            char c = m_text[m_at];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                ++m_at;
                return;
            }
        }
    }

    // The next element tag, after blanks and comments (and declarations in the prolog).
    bool nextTag(Tag& tag, bool prolog) {
        if (prolog) {
            skipMisc();
        } else {
            while (m_at < m_text.size()) {
                if (isSpace(m_text[m_at]))
                    ++m_at;
                else if (m_text.substr(m_at).starts_with("<!--"))
                    skipPast("-->", 4);
                else
                    break;
            }
        }
        if (m_at >= m_text.size() || m_text[m_at] != '<') {
            failed(m_at >= m_text.size() ? "the list ends early" : "text where a tag belongs");
            return false;
        }
        ++m_at;
        tag = Tag{};
        if (m_at < m_text.size() && m_text[m_at] == '/') {
            tag.closing = true;
            ++m_at;
        }
        std::size_t start = m_at;
        while (m_at < m_text.size() && isNameChar(m_text[m_at]))
            ++m_at;
        tag.name = m_text.substr(start, m_at - start);
        char quote = 0;
        while (m_at < m_text.size()) {
            char c = m_text[m_at++];
            if (quote) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                tag.empty = m_text[m_at - 2] == '/';
                if (tag.name.empty() || (tag.closing && tag.empty)) {
                    failed("malformed tag");
                    return false;
                }
                return true;
            }
        }
        failed("a tag is not closed");
        return false;
    }

    // The character data up to </name>, entities and CDATA sections decoded, every other
    // byte (a NUL among them) kept as it is.
    bool readText(const Tag& open, std::string& out) {
        out.clear();
        if (open.empty)
            return true;
        while (m_at < m_text.size()) {
            std::size_t stop = m_text.find_first_of("<&", m_at);
            if (stop == std::string_view::npos)
                break;
            out.append(m_text.substr(m_at, stop - m_at));
            m_at = stop;
            std::string_view rest = m_text.substr(m_at);
            if (rest.front() == '&') {
                if (!readEntity(out))
                    return false;
            } else if (rest.starts_with("<![CDATA[")) {
                std::size_t end = m_text.find("]]>", m_at + 9);
                if (end == std::string_view::npos)
                    break;
                out.append(m_text.substr(m_at + 9, end - m_at - 9));
                m_at = end + 3;
            } else if (rest.starts_with("<!--")) {
                skipPast("-->", 4);
            } else {
                Tag close;
                if (!nextTag(close, false) || !close.closing || close.name != open.name) {
                    failed("an element holds something other than text");
                    return false;
                }
                return true;
            }
        }
        failed("the list ends early");
        return false;
    }

    bool readEntity(std::string& out) {
        std::size_t end = m_text.find(';', m_at);
        if (end == std::string_view::npos || end - m_at > 12) {
            failed("a bare '&' in text");
            return false;
        }
        std::string_view name = m_text.substr(m_at + 1, end - m_at - 1);
        m_at = end + 1;
        static constexpr std::pair<std::string_view, char> named[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [entity, c] : named) {
            if (name == entity) {
                out += c;
                return true;
            }
        }
        if (name.size() >= 2 && name[0] == '#') {
            int base = name[1] == 'x' ? 16 : 10;
            std::string_view digits = name.substr(base == 16 ? 2 : 1);
            uint32_t code = 0;
            for (char c : digits) {
                int digit = digitValue(c, base);
                if (digit < 0 || code > 0x10FFFF)
                    break;
                code = code * base + static_cast<uint32_t>(digit);
            }
            bool allDigits = !digits.empty();
            for (char c : digits)
                allDigits = allDigits && digitValue(c, base) >= 0;
            if (allDigits && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                appendUTF8(out, code);
                return true;
            }
        }
        failed("an unknown entity in text");
        return false;
    }

    // Counts one more value against the limit.
    bool count() {
        if (++m_values <= kMaxValues)
            return true;
        failed("the property list holds too many values");
        return false;
    }

    // The value of an element that holds text only (a string, a number, a date, data or a
    // boolean); null, with the reason set, when there is none. `text` is a buffer to read
    // into, kept by the caller from one value to the next.
    Ref<NSObject> readScalar(const Tag& tag, std::string& text) {
        if (!count())
            return nullptr;
        if (!readText(tag, text))
            return nullptr;
        Ref<NSObject> value;
        if (tag.name == "true" || tag.name == "false") {
            if (!trimmed(text).empty())
                return failed("text inside a boolean");
            value = NSNumber::numberWithBool(tag.name == "true");
        } else if (tag.name == "string") {
            value = make<NSString>(std::move(text));
        } else if (tag.name == "integer") {
            value = integerFrom(text);
        } else if (tag.name == "real") {
            value = realFrom(text);
        } else if (tag.name == "date") {
            value = dateFrom(text);
        } else if (tag.name == "data") {
            value = dataFrom(text);
        } else {
            return failed("an element that is no property-list value");
        }
        if (!value)
            return failed("a value that cannot be read");
        return value;
    }

    // The value that begins with `tag`, containers read with an explicit stack.
    Ref<NSObject> readValue(Tag tag, bool mutableRoot) {
        std::vector<PendingContainer> stack;
        std::vector<std::string> keys; // per dictionary level: the key awaiting its value
        std::vector<bool> haveKey;
        std::string text;
        while (true) {
            Ref<NSObject> value;
            if (tag.closing) {
                if (stack.empty() || tag.name != (stack.back().dictionary ? "dict" : "array"))
                    return failed("a closing tag that does not match");
                if (stack.back().dictionary && haveKey.back())
                    return failed("a key without a value");
                value = stack.back().finish(stack.size() == 1 && mutableRoot);
                stack.pop_back();
                keys.pop_back();
                haveKey.pop_back();
            } else if (tag.name == "dict" || tag.name == "array") {
                if (!count())
                    return nullptr;
                PendingContainer container;
                container.dictionary = tag.name == "dict";
                if (tag.empty) {
                    value = container.finish(stack.empty() && mutableRoot);
                } else {
                    if (stack.size() >= kMaxDepth)
                        return failed("property list nests too deep");
                    stack.push_back(std::move(container));
                    keys.emplace_back();
                    haveKey.push_back(false);
                }
            } else if (tag.name == "key") {
                if (stack.empty() || !stack.back().dictionary || haveKey.back())
                    return failed("a key out of place");
                if (!count() || !readText(tag, keys.back()))
                    return nullptr;
                haveKey.back() = true;
            } else if (!(value = readScalar(tag, text))) {
                return nullptr;
            }
            if (value) {
                if (stack.empty())
                    return value;
                PendingContainer& parent = stack.back();
                if (parent.dictionary) {
                    if (!haveKey.back())
                        return failed("a value without a key");
                    parent.entries.insert_or_assign(std::move(keys.back()), std::move(value));
                    keys.back().clear();
                    haveKey.back() = false;
                } else {
                    parent.items.push_back(std::move(value));
                }
            }
            if (!nextTag(tag, false))
                return nullptr;
        }
    }

    std::string_view m_text;
    std::string& m_error;
    std::size_t m_at = 0;
    std::size_t m_values = 0;
};

} // namespace

Ref<NSObject> readXML(std::string_view bytes, bool mutableRoot, std::string& error) {
    return XMLReader(bytes, error).read(mutableRoot);
}

} // namespace NSPropertyList
