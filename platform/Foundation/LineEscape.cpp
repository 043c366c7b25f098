#include <Foundation/LineEscape.h>

bool AppendBackslashEscape(std::string& out, unsigned char c, std::string_view otherPrefix) {
    static const char hex[] = "0123456789abcdef";
    switch (c) {
    case '\\':
        out += "\\\\";
        return true;
    case '\n':
        out += "\\n";
        return true;
    case '\r':
        out += "\\r";
        return true;
    case '\t':
        out += "\\t";
        return true;
    default:
        if (c >= 0x20 && c != 0x7F)
            return false;
        out += otherPrefix;
        out += hex[c >> 4];
        out += hex[c & 0xF];
        return true;
    }
}

void LineAppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        if (!AppendBackslashEscape(out, static_cast<unsigned char>(c), "\\x"))
            out += c;
    }
}

std::string LineEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    LineAppendEscaped(out, text);
    return out;
}
