#pragma once

#include <Foundation/NSObject.h>
#include <UIKit/CGGeometry.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A picture read from a PNG file. As on the phone, the file is read and checked when the
// picture is made, and its pixels decoded the first time they are asked for: a view that
// is built and never drawn costs no decoding.
class UIImage : public NSObject {
public:
    // The picture in the file at the phone path (resolved inside the device root), or null
    // when the file is missing, unreadable, not a whole PNG, damaged or larger than
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
    // Rows top to bottom, 4 bytes a pixel, straight (not premultiplied) alpha; decoded on
    // the first call. Empty when the data inside a well-formed file cannot be decoded.
    const std::vector<uint8_t>& rgba() const;

private:
    UIImage(std::string path, int width, int height, float scale, std::vector<uint8_t> file)
        : m_path(std::move(path)), m_width(width), m_height(height), m_scale(scale),
          m_file(std::move(file)) {}

    std::string m_path;
    int m_width;
    int m_height;
    float m_scale;
    // The file until its pixels are decoded, then the pixels.
    mutable std::vector<uint8_t> m_file;
    mutable std::vector<uint8_t> m_rgba;
    mutable bool m_decoded = false;
};
