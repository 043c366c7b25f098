#include <Foundation/JSONQuote.h>
#include <Foundation/LineEscape.h>

#include <cstdint>

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i);
    std::size_t length;
    uint8_t low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

void JSONAppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c >= 0x80) {
            std::size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        if (c == '"')
            out += "\\\"";
        else if (!AppendBackslashEscape(out, c, "\\u00"))
            out += static_cast<char>(c);
        ++i;
    }
    out += '"';
}

std::string JSONQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    JSONAppendQuoted(out, text);
    return out;
}
