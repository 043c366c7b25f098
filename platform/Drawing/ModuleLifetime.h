#pragma once

namespace Drawing {

// Makes sure that at the end of the process everything the module keeps between drawings
// goes (the canvas, the pictures, the fonts, cairo's caches). Each entry point calls it.
void releaseEverythingAtExit();

} // namespace Drawing
