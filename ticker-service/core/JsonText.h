#pragma once

#include <string>
#include <string_view>

namespace ticker {

// Appends `text` as a JSON string: quotes, backslashes and control characters escaped,
// UTF-8 passed through as it is.
void appendJsonString(std::string& out, std::string_view text);

} // namespace ticker
