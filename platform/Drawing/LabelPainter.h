#pragma once

#include <UIKit/CGGeometry.h>

#include <cairo.h>

class UILabel;

namespace Drawing {

// Draws a label's text in its frame: Liberation Sans at 17 points, one line, centred
// vertically, aligned as the label says, cut at the tail with "…" when too wide, in the
// label's text colour (black when none is set). An unset or empty text draws nothing.
// Nothing of the text falls outside the frame.
void paintLabelText(cairo_t* cr, const UILabel& label, CGRect frame);

// Lets go of the fonts and of what pango and fontconfig keep of them, at the end of the
// process; the next label would load them again.
void releaseTextSetup();

} // namespace Drawing
