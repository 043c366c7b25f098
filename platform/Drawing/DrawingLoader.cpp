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

// The module's entry point of that name, from the module in `folder`, or null with the reason.
void* loadSymbol(const std::string& folder, const char* symbol, std::string* error) {
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
        void* function = dlsym(handle, symbol);
        if (!function)
            setError(error, path + ": no " + symbol);
        return function;
    }
    setError(error, "the drawing module is missing: " + reasons);
    return nullptr;
}

} // namespace

MarrowfinDrawPNGFunction loadModule(const std::string& folder, std::string* error) {
    return reinterpret_cast<MarrowfinDrawPNGFunction>(
        loadSymbol(folder, kMarrowfinDrawPNGSymbol, error));
}

bool paintView(const UIView* container, cairo_t* cr, double scale, std::string* error) {
    // Loaded on the first call; a failure to load is remembered, not retried.
    static std::string loadError;
    static auto function = reinterpret_cast<MarrowfinPaintViewFunction>(
        loadSymbol(platformFolder(), kMarrowfinPaintViewSymbol, &loadError));
    if (!function) {
        setError(error, loadError);
        return false;
    }
    if (function(container, cr, scale) != 0) {
        setError(error, "the painting failed");
        return false;
    }
    return true;
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
