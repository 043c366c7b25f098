// The drawing module's entry point for a host's window: a view tree into a cairo context.

#include <Drawing/Drawing.h>

#include "ViewTreePainter.h"

#include <UIKit/UIView.h>

#include <cairo.h>

#include <cmath>

// Unlike a PNG drawing, nothing is released at exit here: the window's toolkit shares
// fontconfig and pango with the module, and tearing them down under it at exit would fail.
extern "C" int MarrowfinPaintView(const UIView* container, cairo_t* cr, double scale) {
    if (!container || !cr || !(scale > 0) || !std::isfinite(scale))
        return 1;
    cairo_save(cr);
    Drawing::paintViewTree(cr, *container, scale);
    cairo_restore(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? 0 : 1;
}
