#pragma once

// Reading a drawn PNG back, and asking where something was drawn.

#include <UIKit/CGGeometry.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace test {

struct Pixel {
    // Straight (not premultiplied) components, 0...255.
    int red = 0, green = 0, blue = 0, alpha = 0;
};

class Picture {
public:
    // The PNG at `path`, or nothing when it cannot be read as one.
    static std::optional<Picture> read(const std::filesystem::path& path);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Pixel at(int x, int y) const;

    // Whether any pixel in the rectangle (in pixels, cut to the picture) has ink: an alpha of
    // more than a quarter. Transparent pixels have none.
    bool hasInk(int x0, int y0, int x1, int y1) const;
    // The rectangle holding every inked pixel within the given one; nothing when none is.
    std::optional<CGRect> inkBounds(int x0, int y0, int x1, int y1) const;
    std::optional<CGRect> inkBounds() const { return inkBounds(0, 0, m_width, m_height); }

private:
    int m_width = 0, m_height = 0;
    std::vector<Pixel> m_pixels;
};

// "x,y wxh" for a rectangle, "none" for nothing: for comparing ink bounds in expectations.
std::string describe(const std::optional<CGRect>& rect);

} // namespace test
