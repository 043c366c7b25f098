#pragma once

#include <cstddef>

class UIView;
typedef struct _cairo cairo_t;

// The drawing module's one entry point (libMarrowfinDrawing, loaded on demand; hosts reach it
// through Drawing::drawPNG in <Drawing/DrawingLoader.h>).
//
// Draws `container` and everything under it into a PNG file at `filePath`, `scale` pixels a
// point, with the container at the picture's top-left corner whatever its own frame origin.
// What lies outside the container is cut off; where nothing is drawn the picture is
// transparent. The file is replaced whole: a reader sees the old picture or the new one.
//
// Answers 0 on success; on failure nonzero, with the reason in `error` (cut to `errorSize`
// bytes with its terminating zero; `error` may be null).
extern "C" int MarrowfinDrawPNG(const UIView* container, double scale, const char* filePath,
                                char* error, size_t errorSize);

// The entry point's type and symbol name, for the loader.
using MarrowfinDrawPNGFunction = int (*)(const UIView*, double, const char*, char*, size_t);
inline constexpr const char* kMarrowfinDrawPNGSymbol = "MarrowfinDrawPNG";

// Paints `container` and everything under it into `cr`, in points with the container at the
// context's origin (the caller translates and scales `cr`), choosing the @2x pictures when
// `scale`, the pixels a point of the surface beneath, is above 1. For a host that draws into a
// window's context; what the module keeps between paintings stays to the end of the
// process. Answers 0, or nonzero when there is no container or the context failed.
extern "C" int MarrowfinPaintView(const UIView* container, cairo_t* cr, double scale);

using MarrowfinPaintViewFunction = int (*)(const UIView*, cairo_t*, double);
inline constexpr const char* kMarrowfinPaintViewSymbol = "MarrowfinPaintView";
