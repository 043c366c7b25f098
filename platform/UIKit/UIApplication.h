#pragma once

#include <Foundation/NSObject.h>

class NSURL;

// The running application.
class UIApplication : public NSObject {
public:
    // The one application of the process; it lives as long as the process.
    static UIApplication* sharedApplication();

    const char* className() const override { return "UIApplication"; }

    // Hands the address to the system to be opened: prints "open ADDRESS" on stdout and,
    // in a desktop session (DISPLAY or WAYLAND_DISPLAY set and not empty) unless the host
    // said no browser, starts `xdg-open ADDRESS` without waiting for it. Answers whether
    // the address was handed over (false for no address, or when xdg-open could not start).
    bool openURL(const NSURL* url);

private:
    UIApplication() = default;
};
