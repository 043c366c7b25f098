#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ticker {

// An XML document in UTF-8, whatever its declaration says it is in: UTF-8 (or no
// declaration) as it is, windows-1251 converted. None, with the reason in `error`, for
// another encoding or bytes that are not in the declared one.
std::optional<std::string> xmlAsUtf8(std::string_view document, std::string& error);

} // namespace ticker
