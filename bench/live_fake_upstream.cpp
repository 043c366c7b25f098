// The live market's four sources on one loopback server, for bench/ticker/live: prints the
// service arguments that point at it, then serves the fixtures until it reads the line
// "counts" (or stdin ends), and prints how many requests each path saw.

#include "FakeUpstream.h"

#include <cstdio>
#include <iostream>
#include <string>

int main() {
    tickertest::FakeUpstream upstream;
    std::string args;
    for (const std::string& arg : upstream.upstreamArgs())
        args += (args.empty() ? "" : " ") + arg;
    std::printf("%s\n", args.c_str());
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line) && line != "counts";) {
    }
    for (const auto& [path, count] : upstream.counts())
        std::printf("%zu %s\n", count, path.c_str());
    std::fflush(stdout); // before the server's stop, which may wait for idle connections
    return 0;
}
