#pragma once

#include <Foundation/NSObject.h>

#include <string_view>

// Questions about the file system. Paths are the phone's: each is resolved inside the
// device root.
class NSFileManager : public NSObject {
public:
    // The shared manager; it lives as long as the process.
    static NSFileManager* defaultManager();

    const char* className() const override { return "NSFileManager"; }

    // Whether anything (file, folder, device...) is at the path, following symbolic links:
    // a link that leads nowhere answers false.
    bool fileExistsAtPath(std::string_view path) const;
    // The same; `isDirectory`, if given, receives whether it is a folder.
    bool fileExistsAtPath(std::string_view path, bool* isDirectory) const;
};
