#pragma once

#include <cairo.h>

#include <string>

namespace Drawing {

// Writes the surface as a PNG to a new file in the target's folder and renames it over
// `path`, so a reader sees the old file or the new one, never part of one. On failure the
// target is left as it was, nothing stays behind, and the reason is in `error`.
bool writePNGReplacing(cairo_surface_t* surface, const std::string& path, std::string* error);

} // namespace Drawing
