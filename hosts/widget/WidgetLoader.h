#pragma once

#include <BulletinBoard/BBWeeAppController.h>

#include <string>

// Loads the widget installed in the device root and creates its principal class, as the
// notification panel does; null with the reason (one line) when the bundle is missing or
// broken.
Ref<BBWeeAppController> loadInstalledWidget(std::string* error);
