#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// What a PNG file says of itself, read without decoding a pixel: its header, and that
// the file is whole (signature, a valid IHDR first, every critical chunk's checksum, image
// data, a palette where the colour type needs one, and the end chunk).
struct PNGHeader {
    int width = 0;
    int height = 0;
};

// False when the file is not a whole, well-formed PNG, is wider or taller than maxSide,
// or is too small to hold the image its header declares.
bool readPNGHeader(std::span<const uint8_t> file, int maxSide, PNGHeader& out);

// Deflate packs at most about 1032 bytes into one: a file too small to hold the filtered
// rows its header declares is refused before they are allocated, so a few hundred hostile
// bytes cannot make us reserve a gigabyte.
bool pngFitsInFile(std::size_t rowBytes, uint32_t height, std::size_t fileSize);
