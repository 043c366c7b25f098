// Draws the widget's pictures: the background behind the five lines of text and the
// refresh button's glyph, each at 1x and 2x, into the folder given as the one argument.
//
//   make-widget-pictures <folder>   writes Background.png, Background@2x.png,
//                                   refresh.png and refresh@2x.png, and the desktop
//                                   icon Icon.png (128 pixels square)
//
// Every shape is drawn in points and scaled, so the two sizes show the same design.

#include <algorithm>
#include <cairo.h>
#include <cstdint>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The widget's geometry, in points.
constexpr double kWidth = 316;
constexpr double kHeight = 110;
constexpr double kButtonWidth = 66;
constexpr double kButtonHeight = 114;
// The button's frame starts 4 points left of the container, so its centre lies at
// (29, 57) in the container's coordinates.
constexpr double kButtonCentreX = -4 + kButtonWidth / 2;
constexpr double kButtonCentreY = kButtonHeight / 2;

void setRGBA(cairo_t* cr, unsigned rgb, double alpha) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0,
                          (rgb & 0xff) / 255.0, alpha);
}

void addStop(cairo_pattern_t* pattern, double offset, unsigned rgb, double alpha) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, ((rgb >> 16) & 0xff) / 255.0,
                                      ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, alpha);
}

void roundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

constexpr unsigned kBitcoinOrange = 0xf7931a;

void drawBackground(cairo_t* cr) {
    // The card: deep navy at the top left, going to charcoal at the bottom right.
    const double inset = 1, radius = 9;
    roundedRectangle(cr, inset, inset, kWidth - 2 * inset, kHeight - 2 * inset, radius);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, kWidth * 0.35, kHeight * 1.6);
    addStop(body, 0.0, 0x13233f, 1);
    addStop(body, 0.55, 0x18202e, 1);
    addStop(body, 1.0, 0x1c1e23, 1);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);

    // A soft light from above, so the card does not look flat.
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_pattern_t* sheen = cairo_pattern_create_linear(0, 0, 0, kHeight);
    addStop(sheen, 0.0, 0xffffff, 0.07);
    addStop(sheen, 0.45, 0xffffff, 0.015);
    addStop(sheen, 1.0, 0xffffff, 0.0);
    cairo_set_source(cr, sheen);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sheen);

    // A faint warm glow on the left, where the button sits.
    cairo_pattern_t* glow = cairo_pattern_create_radial(kButtonCentreX, kButtonCentreY, 0,
                                                        kButtonCentreX, kButtonCentreY, 70);
    addStop(glow, 0.0, kBitcoinOrange, 0.16);
    addStop(glow, 0.5, kBitcoinOrange, 0.05);
    addStop(glow, 1.0, kBitcoinOrange, 0.0);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_restore(cr);

    // The card's edge: a light hairline at the top fading to a dark one at the bottom.
    roundedRectangle(cr, inset + 0.5, inset + 0.5, kWidth - 2 * inset - 1, kHeight - 2 * inset - 1,
                     radius - 0.5);
    cairo_pattern_t* edge = cairo_pattern_create_linear(0, 0, 0, kHeight);
    addStop(edge, 0.0, 0xffffff, 0.20);
    addStop(edge, 0.5, 0xffffff, 0.06);
    addStop(edge, 1.0, 0x000000, 0.35);
    cairo_set_source(cr, edge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_pattern_destroy(edge);

    // The accent: a thin orange line along the left edge, fading out at both ends.
    cairo_pattern_t* accent = cairo_pattern_create_linear(0, 14, 0, kHeight - 14);
    addStop(accent, 0.0, kBitcoinOrange, 0.0);
    addStop(accent, 0.5, kBitcoinOrange, 0.85);
    addStop(accent, 1.0, kBitcoinOrange, 0.0);
    cairo_set_source(cr, accent);
    roundedRectangle(cr, 4, 14, 2.5, kHeight - 28, 1.25);
    cairo_fill(cr);
    cairo_pattern_destroy(accent);

    // A ring behind the refresh glyph, like the rim of a coin.
    cairo_set_line_width(cr, 1.2);
    setRGBA(cr, kBitcoinOrange, 0.35);
    cairo_arc(cr, kButtonCentreX, kButtonCentreY, 19, 0, 2 * kPi);
    cairo_stroke(cr);
    setRGBA(cr, kBitcoinOrange, 0.08);
    cairo_arc(cr, kButtonCentreX, kButtonCentreY, 18.4, 0, 2 * kPi);
    cairo_fill(cr);
}

void drawRefreshGlyph(cairo_t* cr) {
    // A circular arrow, open at the top, its head pointing clockwise, centred in the
    // button's frame (and so on the ring of the background).
    const double cx = kButtonWidth / 2, cy = kButtonHeight / 2;
    const double radius = 11, width = 2.6;
    const double start = -kPi / 2 + 0.45, end = start + 2 * kPi - 1.0;

    for (int pass = 0; pass < 2; ++pass) {
        // The first pass lays a soft shadow one point below the glyph.
        cairo_save(cr);
        if (pass == 0) {
            cairo_translate(cr, 0, 1);
            cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
        } else {
            cairo_set_source_rgba(cr, 1, 1, 1, 0.94);
        }
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_arc(cr, cx, cy, radius, start, end);
        cairo_stroke(cr);

        // The head: a triangle at the arc's end, along the tangent.
        const double ex = cx + radius * std::cos(end), ey = cy + radius * std::sin(end);
        const double tx = -std::sin(end), ty = std::cos(end); // direction of travel
        const double nx = std::cos(end), ny = std::sin(end);  // outward
        const double length = 6, half = 4.6;
        cairo_move_to(cr, ex + tx * length, ey + ty * length);
        cairo_line_to(cr, ex + nx * half - tx * 1.2, ey + ny * half - ty * 1.2);
        cairo_line_to(cr, ex - nx * half - tx * 1.2, ey - ny * half - ty * 1.2);
        cairo_close_path(cr);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, 1);
        cairo_fill_preserve(cr);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// The desktop icon, 64 points square: the refresh glyph on its coin, on a card of the
// widget's colours.
constexpr double kIconSide = 64;

void drawIcon(cairo_t* cr) {
    roundedRectangle(cr, 2, 2, kIconSide - 4, kIconSide - 4, 12);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, kIconSide * 0.6, kIconSide);
    addStop(body, 0.0, 0x13233f, 1);
    addStop(body, 1.0, 0x1c1e23, 1);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);

    const double centre = kIconSide / 2;
    cairo_set_line_width(cr, 2);
    setRGBA(cr, kBitcoinOrange, 0.9);
    cairo_arc(cr, centre, centre, 22, 0, 2 * kPi);
    cairo_stroke(cr);
    setRGBA(cr, kBitcoinOrange, 0.18);
    cairo_arc(cr, centre, centre, 21, 0, 2 * kPi);
    cairo_fill(cr);

    // The button's glyph, moved from the centre of its frame to the icon's.
    cairo_save(cr);
    cairo_translate(cr, centre, centre);
    cairo_scale(cr, 1.35, 1.35);
    cairo_translate(cr, -kButtonWidth / 2, -kButtonHeight / 2);
    drawRefreshGlyph(cr);
    cairo_restore(cr);
}

// Writes the surface as an 8-bit RGBA PNG with no row filter: a little larger than cairo's
// own writer makes it, but the widget decodes it in half the time when it loads its view.
bool writeUnfilteredPNG(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    // Cairo keeps premultiplied native-endian ARGB; PNG wants straight RGBA.
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = row[x];
            unsigned a = pixel >> 24, r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff,
                     b = pixel & 0xff;
            unsigned char* out = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            auto straight = [a](unsigned c) {
                return static_cast<unsigned char>(a == 0 ? 0
                                                         : std::min(255u, (c * 255 + a / 2) / a));
            };
            out[0] = straight(r);
            out[1] = straight(g);
            out[2] = straight(b);
            out[3] = static_cast<unsigned char>(a);
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool written = false; // set after setjmp: must survive a longjmp
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y)
            png_write_row(png, &rgba[static_cast<std::size_t>(y) * width * 4]);
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

bool writePicture(const std::string& path, double width, double height, double scale,
                  void (*draw)(cairo_t*)) {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(std::lround(width * scale)),
        static_cast<int>(std::lround(height * scale)));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    draw(cr);
    cairo_destroy(cr);
    bool written =
        cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && writeUnfilteredPNG(surface, path);
    cairo_surface_destroy(surface);
    if (!written) {
        std::fprintf(stderr, "make-widget-pictures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-widget-pictures <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (int scale = 1; scale <= 2; ++scale) {
        const std::string suffix = scale == 1 ? ".png" : "@2x.png";
        ok &= writePicture(folder + "/Background" + suffix, kWidth, kHeight, scale, drawBackground);
        ok &= writePicture(folder + "/refresh" + suffix, kButtonWidth, kButtonHeight, scale,
                           drawRefreshGlyph);
    }
    ok &= writePicture(folder + "/Icon.png", kIconSide, kIconSide, 2, drawIcon);
    return ok ? 0 : 1;
}
