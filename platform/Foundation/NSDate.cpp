#include <Foundation/NSDate.h>

#include <chrono>
#include <cmath>
#include <ctime>

Ref<NSDate> NSDate::date() {
    using namespace std::chrono;
    double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return make<NSDate>(unix - 978307200.0);
}

Ref<NSDate> NSDate::dateWithTimeIntervalSinceReferenceDate(double seconds) {
    return make<NSDate>(seconds);
}

std::string NSDate::description() const {
    double unix = std::floor(timeIntervalSince1970());
    if (!std::isfinite(unix) || std::fabs(unix) > 1e15)
        return "(invalid date)";
    time_t t = static_cast<time_t>(unix);
    struct tm parts {};
    gmtime_r(&t, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &parts);
    return text;
}

bool NSDate::isEqual(const NSObject* other) const {
    const NSDate* date = NSCast<NSDate>(other);
    return date && date->m_seconds == m_seconds;
}
