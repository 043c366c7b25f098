#pragma once

#include <functional>
#include <string>

// What only a host sets on the application.
namespace UIApplicationHost {

// Whether openURL may start a browser at all (default yes; it still does so only in a
// desktop session). A host's --no-browser sets this to false.
void setBrowserAllowed(bool allowed);

// Called with each address openURL opens, after its line is printed; an empty function
// removes the observer. For hosts and tests that record what was opened.
void setOpenURLObserver(std::function<void(const std::string& address)> observer);

} // namespace UIApplicationHost
