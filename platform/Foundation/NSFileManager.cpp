#include <Foundation/DeviceRoot.h>
#include <Foundation/NSFileManager.h>

#include <string>
#include <sys/stat.h>

NSFileManager* NSFileManager::defaultManager() {
    static NSFileManager* shared = new NSFileManager;
    return shared;
}

bool NSFileManager::fileExistsAtPath(std::string_view path) const {
    return fileExistsAtPath(path, nullptr);
}

bool NSFileManager::fileExistsAtPath(std::string_view path, bool* isDirectory) const {
    struct stat info {};
    bool exists = !path.empty() && ::stat(DeviceRoot::resolve(path).c_str(), &info) == 0;
    if (isDirectory)
        *isDirectory = exists && S_ISDIR(info.st_mode);
    return exists;
}
