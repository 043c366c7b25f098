#pragma once

#include <Foundation/NSObject.h>

#include <string>
#include <string_view>
#include <vector>

// Classes by name. A plug-in registers its principal class when it is loaded
// (NS_REGISTER_CLASS at namespace scope); a host creates it by the name its
// bundle's Info.plist gives.
using NSClassFactory = Ref<NSObject> (*)();

void NSRegisterClass(std::string_view name, NSClassFactory factory);
// The factory registered under the name, or null.
NSClassFactory NSClassFromString(std::string_view name);
std::vector<std::string> NSRegisteredClassNames();

#define NS_REGISTER_CLASS(ClassName)                                                               \
    static const bool ns_registered_##ClassName = [] {                                            \
        NSRegisterClass(#ClassName,                                                                \
                        []() -> Ref<NSObject> { return adopt<NSObject>(new ClassName()); });       \
        return true;                                                                               \
    }()
