#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Decodes a PNG held in memory into 8-bit straight RGBA with libpng. Every colour type,
// bit depth and interlacing is converted; a damaged or cut-short file, or one wider or
// taller than maxSide, fails. Errors are the false answer, never a longjmp or exception
// into the caller.
struct PNGPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

bool decodePNG(std::span<const uint8_t> file, int maxSide, PNGPixels& out);
