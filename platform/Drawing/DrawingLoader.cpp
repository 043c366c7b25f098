#include <Drawing/DrawingLoader.h>

#include <dlfcn.h>

#include <array>

namespace Drawing {

namespace {

void setError(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
}

// The folder holding the platform library, found from one of its own symbols.
std::string platformFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&loadModule), &info) || !info.dli_fname)
        return ".";
    std::string path = info.dli_fname;
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

MarrowfinDrawPNGFunction loadModule(const std::string& folder, std::string* error) {
    static constexpr std::array<const char*, 2> kNames = {"libMarrowfinDrawing.so.0",
                                                          "libMarrowfinDrawing.so"};
    std::string reasons;
    for (const char* name : kNames) {
        std::string path = folder + "/" + name;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* reason = dlerror();
            if (!reasons.empty())
                reasons += "; ";
            reasons += reason ? reason : path + ": cannot be loaded";
            continue;
        }
        // The module stays loaded for the rest of the process.
        auto function =
            reinterpret_cast<MarrowfinDrawPNGFunction>(dlsym(handle, kMarrowfinDrawPNGSymbol));
        if (!function) {
            setError(error, path + ": no " + kMarrowfinDrawPNGSymbol);
            return nullptr;
        }
        return function;
    }
    setError(error, "the drawing module is missing: " + reasons);
    return nullptr;
}

bool drawPNG(const UIView* container, double scale, const std::string& filePath,
             std::string* error) {
    // Loaded on the first call; a failure to load is remembered, not retried.
    static std::string loadError;
    static MarrowfinDrawPNGFunction function = loadModule(platformFolder(), &loadError);
    if (!function) {
        setError(error, loadError);
        return false;
    }
    std::array<char, 512> reason{};
    if (function(container, scale, filePath.c_str(), reason.data(), reason.size()) != 0) {
        setError(error, reason[0] ? reason.data() : "the drawing failed");
        return false;
    }
    return true;
}

} // namespace Drawing
