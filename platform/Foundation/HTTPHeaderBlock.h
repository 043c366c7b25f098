#pragma once

// Platform-internal: one HTTP response's header block, read line by line as curl hands
// the lines over (status line, fields, blank line).
#include <Foundation/NSDictionary.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class HTTPHeaderBlock {
public:
    enum class Line { Status, Field, End, Other };

    // Takes one line, with or without its CRLF. A status line starts a new block.
    Line add(std::string_view line);

    // The status code of the status line, 0 before one arrived.
    long status() const { return m_status; }
    bool complete() const { return m_complete; }
    // The field's value (name compared without regard to case); a repeated field's values
    // joined with ", "; empty when absent.
    std::string value(std::string_view name) const;
    bool has(std::string_view name) const;
    // The announced Content-Length, -1 when none or not a number.
    long long contentLength() const;
    // Field name -> NSString value.
    Ref<NSDictionary> fields() const;

private:
    long m_status = 0;
    bool m_complete = false;
    std::vector<std::pair<std::string, std::string>> m_fields;
};
