#include <Foundation/HTTPHeaderBlock.h>

#include <Foundation/NSString.h>

#include <charconv>
#include <strings.h>

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

HTTPHeaderBlock::Line HTTPHeaderBlock::add(std::string_view line) {
    if (line.starts_with("HTTP/")) {
        *this = HTTPHeaderBlock();
        // "HTTP/1.1 200 OK", "HTTP/2 200"
        std::size_t space = line.find(' ');
        if (space != std::string_view::npos) {
            std::string_view code = trim(line.substr(space + 1));
            std::from_chars(code.data(), code.data() + code.size(), m_status);
        }
        return Line::Status;
    }
    std::string_view content = trim(line);
    if (content.empty()) {
        m_complete = true;
        return Line::End;
    }
    if (m_complete)
        return Line::Other; // a trailer after the body
    if ((line.front() == ' ' || line.front() == '\t') && !m_fields.empty()) {
        // An old-style continuation of the field before.
        m_fields.back().second.append(" ").append(content);
        return Line::Field;
    }
    std::size_t colon = content.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return Line::Other;
    m_fields.emplace_back(std::string(trim(content.substr(0, colon))),
                          std::string(trim(content.substr(colon + 1))));
    return Line::Field;
}

std::string HTTPHeaderBlock::value(std::string_view name) const {
    std::string joined;
    bool found = false;
    for (const auto& [fieldName, fieldValue] : m_fields) {
        if (!sameName(fieldName, name))
            continue;
        if (found)
            joined.append(", ");
        joined.append(fieldValue);
        found = true;
    }
    return joined;
}

bool HTTPHeaderBlock::has(std::string_view name) const {
    for (const auto& field : m_fields) {
        if (sameName(field.first, name))
            return true;
    }
    return false;
}

long long HTTPHeaderBlock::contentLength() const {
    std::string text = value("Content-Length");
    long long length = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || length < 0)
        return -1;
    return length;
}

Ref<NSDictionary> HTTPHeaderBlock::fields() const {
    NSDictionary::Storage entries;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::string& name = m_fields[i].first;
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j)
            seen = sameName(m_fields[j].first, name);
        if (!seen)
            entries.emplace(name, NSString::stringWithUTF8String(value(name)));
    }
    return make<NSDictionary>(std::move(entries));
}
