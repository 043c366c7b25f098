#include "WidgetLoader.h"

#include <Foundation/NSBundle.h>

namespace {
constexpr const char* kWidgetBundle = "/System/Library/WeeAppPlugins/Marrowfin.bundle";
} // namespace

Ref<BBWeeAppController> loadInstalledWidget(std::string* error) {
    Ref<NSBundle> bundle = NSBundle::bundleWithPath(kWidgetBundle, error);
    if (!bundle) {
        *error += " (run `marrowfin install` first)";
        return nullptr;
    }
    Ref<NSObject> object = bundle->instantiatePrincipalClass(error);
    if (!object)
        return nullptr;
    Ref<BBWeeAppController> controller = NSCast<BBWeeAppController>(object.get());
    if (!controller)
        *error = "the bundle's principal class is not a widget controller";
    return controller;
}
