#pragma once

// What a host program (and a test) sets for all URL loading in the process.
#include <cstddef>
#include <string>
#include <vector>

namespace URLLoading {

// curl's CURLOPT_CONNECT_TO entries ("H1:P1:H2:P2", an empty H1 or P1 matches any), for
// every connection made after this call.
void setConnectTo(std::vector<std::string> entries);

// Connections started whose ending callback (finish or fail) has not yet returned.
std::size_t connectionsInFlight();

// Replaces each request's idle timeout when > 0; 0 turns the replacement off.
void setIdleTimeoutForTesting(double seconds);

} // namespace URLLoading
