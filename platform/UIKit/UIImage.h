#pragma once

#include <Foundation/NSObject.h>
#include <UIKit/CGGeometry.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A picture read from a PNG file, held as 8-bit RGBA.
class UIImage : public NSObject {
public:
    // The picture in the file at the phone path (resolved inside the device root), or null
    // when the file is missing, unreadable, not a PNG, damaged or larger than
    // kMaxPixelSide on a side. The caller holds nothing beyond the returned Ref.
    static Ref<UIImage> imageWithContentsOfFile(std::string_view phonePath);

    static constexpr int kMaxPixelSide = 16384;

    const char* className() const override { return "UIImage"; }
    std::string description() const override;

    // The phone path it was asked for.
    const std::string& path() const { return m_path; }
    int pixelWidth() const { return m_width; }
    int pixelHeight() const { return m_height; }
    // Points per pixel side: 2 for a file named "name@2x.png", else 1.
    float scale() const { return m_scale; }
    // The size in points: the pixel size divided by the scale.
    CGSize size() const { return {m_width / m_scale, m_height / m_scale}; }
    // Rows top to bottom, 4 bytes a pixel, straight (not premultiplied) alpha.
    const std::vector<uint8_t>& rgba() const { return m_rgba; }

private:
    UIImage(std::string path, int width, int height, float scale, std::vector<uint8_t> rgba)
        : m_path(std::move(path)), m_width(width), m_height(height), m_scale(scale),
          m_rgba(std::move(rgba)) {}

    std::string m_path;
    int m_width;
    int m_height;
    float m_scale;
    std::vector<uint8_t> m_rgba;
};
