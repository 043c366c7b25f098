#include "Picture.h"

#include <cairo.h>

#include <algorithm>

namespace test {

std::optional<Picture> Picture::read(const std::filesystem::path& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    cairo_surface_flush(surface);
    Picture picture;
    picture.m_width = cairo_image_surface_get_width(surface);
    picture.m_height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    picture.m_pixels.reserve(std::size_t(picture.m_width) * picture.m_height);
    for (int y = 0; y < picture.m_height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + std::size_t(y) * stride);
        for (int x = 0; x < picture.m_width; ++x) {
            const uint32_t word = row[x];
            const int a = format == CAIRO_FORMAT_RGB24 ? 255 : int(word >> 24);
            auto straight = [a](uint32_t c) { return a == 0 ? 0 : int((c * 255 + a / 2) / a); };
            picture.m_pixels.push_back({straight((word >> 16) & 0xff), straight((word >> 8) & 0xff),
                                        straight(word & 0xff), a});
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

Pixel Picture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return {};
    return m_pixels[std::size_t(y) * m_width + x];
}

bool Picture::hasInk(int x0, int y0, int x1, int y1) const {
    return inkBounds(x0, y0, x1, y1).has_value();
}

std::optional<CGRect> Picture::inkBounds(int x0, int y0, int x1, int y1) const {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width), y1 = std::min(y1, m_height);
    int left = x1, top = y1, right = x0 - 1, bottom = y0 - 1;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (at(x, y).alpha <= 64)
                continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < left)
        return std::nullopt;
    return CGRectMake(float(left), float(top), float(right - left + 1), float(bottom - top + 1));
}

std::string describe(const std::optional<CGRect>& rect) {
    if (!rect)
        return "none";
    auto number = [](float value) { return std::to_string(int(value)); };
    return number(rect->origin.x) + "," + number(rect->origin.y) + " " + number(rect->size.width) +
           "x" + number(rect->size.height);
}

} // namespace test
