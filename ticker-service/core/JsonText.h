#pragma once

#include <string>
#include <string_view>

namespace ticker {

// Appends `text` as a JSON string: quotes, backslashes and control characters escaped,
// UTF-8 passed through as it is. The service is a plain server that never links the phone's
// stand-in (the platform library and its run loop), so it keeps this small writer of its own
// rather than the platform's JSON quoting.
void appendJsonString(std::string& out, std::string_view text);

} // namespace ticker
