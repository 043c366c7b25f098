#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <vector>

// A --connect-to value as curl takes it, H1:P1:H2:P2: each host empty, a name or an
// address (an IPv6 address in brackets), each port empty or a number from 1 to 65535.
// Empty when the value has that form, else what is wrong with it, in a few words.
std::string connectToProblem(std::string_view value);

// --connect-to, as every host of the widget takes it: repeatable, each value checked.
inline CLI::Option* addConnectToOption(CLI::App& app, std::vector<std::string>& values) {
    return app
        .add_option("--connect-to", values,
                    "Connect to H2:P2 for requests to H1:P1 (curl's meaning; an empty H1 or P1 "
                    "matches any)")
        ->type_name("H1:P1:H2:P2")
        ->take_all()
        ->check(CLI::Validator([](std::string& value) { return connectToProblem(value); }, "",
                               "connect-to"));
}
