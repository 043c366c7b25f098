#include <Foundation/NSClassRegistry.h>

#include <map>

namespace {
std::map<std::string, NSClassFactory, std::less<>>& registry() {
    static std::map<std::string, NSClassFactory, std::less<>> classes;
    return classes;
}
} // namespace

void NSRegisterClass(std::string_view name, NSClassFactory factory) {
    registry().insert_or_assign(std::string(name), factory);
}

NSClassFactory NSClassFromString(std::string_view name) {
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

std::vector<std::string> NSRegisteredClassNames() {
    std::vector<std::string> names;
    for (const auto& [name, factory] : registry())
        names.push_back(name);
    return names;
}
