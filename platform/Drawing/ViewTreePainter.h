#pragma once

#include <cairo.h>

class UIView;

namespace Drawing {

// Paints the container and its subtree, back to front and depth first in subview order,
// in points (the caller scales `cr` to pixels). The container lies at (0, 0) whatever its
// own frame origin; nothing clips one view to its parent. For each view that is not hidden:
// its background colour over its frame, then its picture (image views, buttons) or its text
// (labels), then its subviews. A hidden view and its subtree are not drawn, nor is a view
// whose frame is not made of finite numbers.
void paintViewTree(cairo_t* cr, const UIView& container, double scale);

} // namespace Drawing
