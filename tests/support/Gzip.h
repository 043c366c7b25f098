#pragma once

#include <string>
#include <string_view>

namespace test {

// The text compressed as a gzip stream, as a server sends it with Content-Encoding: gzip.
std::string gzip(std::string_view text);

} // namespace test
