#pragma once

#include <Foundation/NSObject.h>

// A moment, as seconds since 2001-01-01 00:00:00 UTC (the property-list epoch).
class NSDate : public NSObject {
public:
    explicit NSDate(double sinceReferenceDate = 0) : m_seconds(sinceReferenceDate) {}
    static Ref<NSDate> date(); // now
    static Ref<NSDate> dateWithTimeIntervalSinceReferenceDate(double seconds);

    const char* className() const override { return "NSDate"; }
    // "2001-01-01 00:00:00 +0000"
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    double timeIntervalSinceReferenceDate() const { return m_seconds; }
    double timeIntervalSince1970() const { return m_seconds + 978307200.0; }

private:
    double m_seconds;
};
