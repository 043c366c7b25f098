#include "ConnectToOption.h"

#include <charconv>

namespace {

// Takes one field off the front of `rest`, up to the next ':' (or the end when it is the
// last); a host in brackets may hold ':' itself. False when the field is malformed.
bool takeField(std::string_view& rest, bool isHost, bool last, std::string_view& field) {
    std::size_t end = 0;
    if (isHost && !rest.empty() && rest.front() == '[') {
        end = rest.find(']');
        if (end == std::string_view::npos)
            return false;
        ++end;
    } else {
        end = rest.find(':');
        if (end == std::string_view::npos)
            end = rest.size();
    }
    field = rest.substr(0, end);
    rest.remove_prefix(end);
    if (last)
        return rest.empty();
    if (rest.empty() || rest.front() != ':')
        return false;
    rest.remove_prefix(1);
    return true;
}

bool isPort(std::string_view text) {
    if (text.empty())
        return true;
    unsigned port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

bool isHost(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@' || c == 0x7F)
            return false;
    }
    return true;
}

} // namespace

std::string connectToProblem(std::string_view value) {
    std::string_view rest = value;
    std::string_view fields[4];
    for (int i = 0; i < 4; ++i) {
        if (!takeField(rest, i % 2 == 0, i == 3, fields[i]))
            return "'" + std::string(value) + "' is not H1:P1:H2:P2";
    }
    for (int i = 0; i < 4; ++i) {
        if (i % 2 == 0 && !isHost(fields[i]))
            return "'" + std::string(fields[i]) + "' is no host name";
        if (i % 2 == 1 && !isPort(fields[i]))
            return "'" + std::string(fields[i]) + "' is no port (1 to 65535)";
    }
    return {};
}
