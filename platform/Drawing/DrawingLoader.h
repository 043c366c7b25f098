#pragma once

#include <Drawing/Drawing.h>

#include <string>

class UIView;

// Drawing a view tree, for hosts. The drawing module (cairo and pango) is loaded on the
// first call only, so a host that never draws never loads them.
namespace Drawing {

// Draws `container` into a PNG at `filePath` (a path of this machine, not a phone path) at
// `scale` pixels a point; see MarrowfinDrawPNG. Answers false with the reason in `error`
// (which may be null) when the module is missing or the drawing failed.
bool drawPNG(const UIView* container, double scale, const std::string& filePath,
             std::string* error);

// Paints `container` into a window's cairo context; see MarrowfinPaintView. Answers false with
// the reason in `error` (which may be null) when the module is missing or the painting failed.
bool paintView(const UIView* container, cairo_t* cr, double scale, std::string* error);

// Opens libMarrowfinDrawing.so.0 (or, failing that, libMarrowfinDrawing.so) in `folder` and
// answers its entry point, or null with the reason in `error`. drawPNG uses this once, with
// the folder the platform library was loaded from.
MarrowfinDrawPNGFunction loadModule(const std::string& folder, std::string* error);

} // namespace Drawing
