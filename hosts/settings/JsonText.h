#pragma once

#include <string>
#include <string_view>

// A JSON string literal, quotes included: '"' and '\' escaped, control characters as
// \uXXXX, every other byte (UTF-8 included) as it is.
std::string jsonString(std::string_view text);
