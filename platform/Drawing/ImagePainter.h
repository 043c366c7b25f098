#pragma once

#include <UIKit/CGGeometry.h>

#include <cairo.h>

class UIImage;

namespace Drawing {

// Draws `image` stretched to fill `frame` (UIKit's default content mode). When the picture
// is drawn at more than one pixel a point and a "name@2x.png" file lies beside its file,
// that one is drawn instead. A null image, an empty picture or an empty frame draws nothing.
void paintImage(cairo_t* cr, const UIImage* image, CGRect frame, double scale);

// Lets go of the pictures kept from earlier drawings (the module keeps each picture object
// it drew, converted for cairo, so the next drawing need not read and convert it again).
void releasePictureCache();

} // namespace Drawing
