#include "TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace ticker {

namespace {

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The encoding named in an <?xml ... encoding="..."?> declaration at the start; empty when
// there is none.
std::string declaredEncoding(std::string_view document) {
    if (!document.starts_with("<?xml"))
        return {};
    const std::string_view declaration = document.substr(0, document.find("?>"));
    const size_t name = declaration.find("encoding");
    if (name == std::string_view::npos)
        return {};
    const size_t open = declaration.find_first_of("\"'", name);
    if (open == std::string_view::npos)
        return {};
    const size_t close = declaration.find(declaration[open], open + 1);
    if (close == std::string_view::npos)
        return {};
    return lowerCase(declaration.substr(open + 1, close - open - 1));
}

std::optional<std::string> convert(std::string_view text, const char* from, std::string& error) {
    iconv_t converter = iconv_open("UTF-8", from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        error = std::string("this system cannot convert from ") + from;
        return std::nullopt;
    }
    // One byte of a single-byte code page is at most three bytes of UTF-8.
    std::string out(text.size() * 3, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* next = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) {
        error = std::string("the reply is not valid ") + from;
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::optional<std::string> xmlAsUtf8(std::string_view document, std::string& error) {
    const std::string encoding = declaredEncoding(document);
    if (encoding.empty() || encoding == "utf-8")
        return std::string(document);
    if (encoding == "windows-1251" || encoding == "cp1251")
        return convert(document, "WINDOWS-1251", error);
    error = "the reply is in an unknown encoding, " + encoding;
    return std::nullopt;
}

} // namespace ticker
