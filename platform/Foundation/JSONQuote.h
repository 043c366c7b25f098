#pragma once

#include <string>
#include <string_view>

// A text as a JSON string literal, quotes included, for output a host writes line by line:
// '"', '\' and control characters escaped, well-formed UTF-8 passed through, and every byte
// that is not part of it replaced by U+FFFD, so the result is always valid JSON. (The JSON
// writer of NSJSONSerialization refuses such text instead.)
void JSONAppendQuoted(std::string& out, std::string_view text);
std::string JSONQuoted(std::string_view text);
