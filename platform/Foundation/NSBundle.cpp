#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSString.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
// Why an Info.plist that could not be read as a dictionary was not: missing, unreadable,
// or no property list with a dictionary at its root.
std::string infoProblem(const std::string& file) {
    if (!isRegularFile(file))
        return "the bundle has no Info.plist: " + file + " is missing";
    if (::access(file.c_str(), R_OK) != 0)
        return "cannot read " + file + ": " + std::strerror(errno);
    return file + " is not a property list holding a dictionary";
}
} // namespace

Ref<NSBundle> NSBundle::bundleWithPath(std::string_view phonePath, std::string* error) {
    std::string path(phonePath);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (!isFolder(DeviceRoot::resolve(path))) {
        if (error)
            *error = "no bundle at " + DeviceRoot::resolve(path);
        return nullptr;
    }
    Ref<NSDictionary> info = NSDictionary::dictionaryWithContentsOfFile(path + "/Info.plist");
    if (!info) {
        if (error)
            *error = infoProblem(DeviceRoot::resolve(path + "/Info.plist"));
        return nullptr;
    }
    return adopt(new NSBundle(std::move(path), std::move(info)));
}

std::string NSBundle::infoString(std::string_view key) const {
    const NSString* value = NSCast<NSString>(m_info->objectForKey(key));
    return value ? value->UTF8String() : std::string();
}

bool NSBundle::load(std::string* error) {
    if (m_loaded)
        return true;
    std::string executable = infoString("CFBundleExecutable");
    if (executable.empty()) {
        if (error)
            *error = DeviceRoot::resolve(m_path + "/Info.plist") + " names no CFBundleExecutable";
        return false;
    }
    std::string file = DeviceRoot::resolve(m_path + "/" + executable);
    if (!isRegularFile(file)) {
        if (error)
            *error = "bundle executable missing: " + file;
        return false;
    }
    // RTLD_GLOBAL is not needed: a plug-in shares the platform library the host already has.
    if (!dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
        if (error) {
            const char* reason = dlerror();
            *error = reason ? reason : ("cannot load " + file);
        }
        return false;
    }
    m_loaded = true;
    return true;
}

NSClassFactory NSBundle::principalClass() const {
    if (!m_loaded)
        return nullptr;
    return NSClassFromString(infoString("NSPrincipalClass"));
}

Ref<NSObject> NSBundle::instantiatePrincipalClass(std::string* error) {
    if (!load(error))
        return nullptr;
    NSClassFactory factory = principalClass();
    if (!factory) {
        if (error)
            *error = "bundle " + DeviceRoot::resolve(m_path) + " registers no class named '" +
                     infoString("NSPrincipalClass") + "'";
        return nullptr;
    }
    return factory();
}

std::string NSBundle::pathForResource(std::string_view name, std::string_view type) const {
    std::string path = m_path + "/" + std::string(name);
    if (!type.empty())
        path += "." + std::string(type);
    return isRegularFile(DeviceRoot::resolve(path)) ? path : std::string();
}
