#pragma once

#include <string>
#include <string_view>

// A --connect-to value as curl takes it, H1:P1:H2:P2: each host empty, a name or an
// address (an IPv6 address in brackets), each port empty or a number from 1 to 65535.
// Empty when the value has that form, else what is wrong with it, in a few words.
std::string connectToProblem(std::string_view value);
