#include "ImagePainter.h"

#include <UIKit/UIImage.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace Drawing {

namespace {

// The phone path of the double-size variant of a picture: "a/b.png" -> "a/b@2x.png".
std::string doubleSizePath(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    std::string stem = path.substr(0, dot);
    if (stem.ends_with("@2x"))
        return {};
    return stem + "@2x" + path.substr(dot);
}

// The picture as a cairo surface: premultiplied alpha in native-endian 32-bit words.
// Null when the pixels do not match the size.
cairo_surface_t* surfaceFromImage(const UIImage& image) {
    const int width = image.pixelWidth(), height = image.pixelHeight();
    const auto& rgba = image.rgba();
    if (width <= 0 || height <= 0 || rgba.size() < std::size_t(width) * std::size_t(height) * 4)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* rows = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* in = rgba.data();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(rows + std::size_t(y) * stride);
        for (int x = 0; x < width; ++x, in += 4) {
            const uint32_t a = in[3];
            auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
            out[x] =
                a << 24 | premultiply(in[0]) << 16 | premultiply(in[1]) << 8 | premultiply(in[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// Pictures as cairo surfaces, each made once per picture object: decoding the double-size
// file and converting the pixels would otherwise be much of every drawing's cost. A picture
// object never changes, and the cache holds it, so its address names it while cached.
class SurfaceCache {
public:
    // The surface to draw for `image` with or without looking for its double-size file.
    cairo_surface_t* surfaceFor(const UIImage& image, bool doubleSize) {
        for (const Entry& entry : m_entries) {
            if (entry.image.get() == &image && entry.doubleSize == doubleSize)
                return entry.surface;
        }
        Ref<UIImage> larger;
        if (doubleSize) {
            std::string path = doubleSizePath(image.path());
            if (!path.empty())
                larger = UIImage::imageWithContentsOfFile(path);
        }
        cairo_surface_t* surface = surfaceFromImage(larger ? *larger : image);
        if (!surface)
            return nullptr;
        if (m_entries.size() == kCapacity) {
            cairo_surface_destroy(m_entries.front().surface);
            m_entries.erase(m_entries.begin());
        }
        m_entries.push_back({Ref<const UIImage>(&image), doubleSize, surface});
        return surface;
    }

    ~SurfaceCache() {
        for (const Entry& entry : m_entries)
            cairo_surface_destroy(entry.surface);
    }

private:
    static constexpr std::size_t kCapacity = 16;
    struct Entry {
        Ref<const UIImage> image;
        bool doubleSize;
        cairo_surface_t* surface;
    };
    std::vector<Entry> m_entries;
};

SurfaceCache* cache = nullptr;

SurfaceCache& surfaceCache() {
    if (!cache)
        cache = new SurfaceCache;
    return *cache;
}

} // namespace

void releasePictureCache() {
    delete std::exchange(cache, nullptr);
}

void paintImage(cairo_t* cr, const UIImage* image, CGRect frame, double scale) {
    if (!image || !(frame.size.width > 0) || !(frame.size.height > 0))
        return;
    const bool doubleSize = scale > 1 && image->scale() == 1 && !image->path().empty();
    cairo_surface_t* picture = surfaceCache().surfaceFor(*image, doubleSize);
    if (!picture)
        return;
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);

    cairo_save(cr);
    cairo_rectangle(cr, frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
    cairo_clip(cr);
    cairo_translate(cr, frame.origin.x, frame.origin.y);
    cairo_scale(cr, frame.size.width / width, frame.size.height / height);
    cairo_set_source_surface(cr, picture, 0, 0);
    // Edge pixels repeat outward, so a stretched picture does not fade at its borders.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

} // namespace Drawing
