// The drawing module's entry point: a view tree into a PNG file.

#include <Drawing/Drawing.h>

#include "ImagePainter.h"
#include "LabelPainter.h"
#include "PNGFileWriter.h"
#include "ViewTreePainter.h"

#include <UIKit/UIView.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

// The largest picture drawn: a side as long as pictures read from files may have, and at
// most 256 MiB of pixels.
constexpr double kMaxPixelSide = 16384;
constexpr double kMaxPixels = 64.0 * 1024 * 1024;

// The picture's pixels, kept from one drawing to the next while the size stays the same:
// a fresh surface of this size costs more in zeroed pages than clearing the old one.
cairo_surface_t* canvas = nullptr;

cairo_surface_t* canvasOfSize(int width, int height) {
    if (canvas && cairo_image_surface_get_width(canvas) == width &&
        cairo_image_surface_get_height(canvas) == height)
        return canvas;
    if (canvas)
        cairo_surface_destroy(canvas);
    canvas = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(canvas) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(canvas);
        canvas = nullptr;
    }
    return canvas;
}

// At the end of the process, everything the module keeps between drawings goes, and with
// it cairo's, pango's and fontconfig's caches: nothing the drawing made outlives it.
void releaseEverything() {
    if (canvas)
        cairo_surface_destroy(std::exchange(canvas, nullptr));
    Drawing::releasePictureCache();
    Drawing::releaseTextSetup();
    cairo_debug_reset_static_data();
}

int failWith(char* error, size_t errorSize, const std::string& reason) {
    if (error && errorSize > 0)
        std::snprintf(error, errorSize, "%s", reason.c_str());
    return 1;
}

} // namespace

extern "C" int MarrowfinDrawPNG(const UIView* container, double scale, const char* filePath,
                                char* error, size_t errorSize) {
    static const bool releasesAtExit = std::atexit(releaseEverything) == 0;
    (void)releasesAtExit;
    if (!container)
        return failWith(error, errorSize, "there is no view to draw");
    if (!filePath || !*filePath)
        return failWith(error, errorSize, "no file name for the picture");
    if (!(scale > 0) || !std::isfinite(scale))
        return failWith(error, errorSize, "the scale must be a positive number");
    const CGSize size = container->frame().size;
    const double width = std::round(size.width * scale), height = std::round(size.height * scale);
    if (!(width >= 1 && height >= 1))
        return failWith(error, errorSize, "the view is empty: nothing to draw");
    if (width > kMaxPixelSide || height > kMaxPixelSide || width * height > kMaxPixels)
        return failWith(error, errorSize, "the picture would be too large to draw");

    cairo_surface_t* surface = canvasOfSize(int(width), int(height));
    if (!surface)
        return failWith(error, errorSize, "out of memory for the picture");
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_scale(cr, scale, scale);
    Drawing::paintViewTree(cr, *container, scale);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);

    std::string reason;
    bool ok = status == CAIRO_STATUS_SUCCESS;
    if (!ok)
        reason = std::string("the drawing failed: ") + cairo_status_to_string(status);
    else
        ok = Drawing::writePNGReplacing(surface, filePath, &reason);
    return ok ? 0 : failWith(error, errorSize, reason);
}
