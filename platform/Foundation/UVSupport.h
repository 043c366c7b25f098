#pragma once

// What the platform's libuv users share: timer durations and closing handles. Internal to
// the platform; neither plug-ins nor hosts include it.

#include <uv.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace UVSupport {

// Seconds as a libuv timer's milliseconds, rounded up so a timer never fires early; zero for
// none, a negative time or NaN; at most 10^12 (about 31 years), so no time overflows.
inline uint64_t milliseconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<uint64_t>(std::min(std::ceil(seconds * 1000.0), 1e12));
}

// Closes a handle and deletes `owner`, the object made with `new` that holds it (the handle
// itself when it was made alone), once libuv has let go of it. The handle's data is not
// read again by anyone else after this, so it carries the owner to the close callback.
template <typename Owner, typename Handle>
void closeAndDelete(Handle* handle, Owner* owner) {
    auto* base = reinterpret_cast<uv_handle_t*>(handle);
    base->data = owner;
    uv_close(base, [](uv_handle_t* closed) { delete static_cast<Owner*>(closed->data); });
}

template <typename Handle>
void closeAndDelete(Handle* handle) {
    closeAndDelete(handle, handle);
}

} // namespace UVSupport
