#pragma once

#include <Foundation/NSObject.h>

// The one object that stands for JSON's null inside collections.
class NSNull : public NSObject {
public:
    static NSNull* null();
    const char* className() const override { return "NSNull"; }
    std::string description() const override { return "<null>"; }
    bool isEqual(const NSObject* other) const override { return NSCast<NSNull>(other) != nullptr; }

private:
    NSNull() = default;
};
