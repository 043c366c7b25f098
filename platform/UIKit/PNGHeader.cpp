#include <UIKit/PNGHeader.h>

#include <zlib.h>

#include <cstring>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

uint32_t bigEndian(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
           uint32_t(bytes[3]);
}

// Samples a pixel for each colour type, and whether a bit depth is allowed with it.
int channelsFor(int colourType, int bitDepth) {
    auto depthIn = [bitDepth](std::initializer_list<int> allowed) {
        for (int depth : allowed)
            if (depth == bitDepth)
                return true;
        return false;
    };
    switch (colourType) {
    case 0:
        return depthIn({1, 2, 4, 8, 16}) ? 1 : 0; // grey
    case 2:
        return depthIn({8, 16}) ? 3 : 0; // RGB
    case 3:
        return depthIn({1, 2, 4, 8}) ? 1 : 0; // palette
    case 4:
        return depthIn({8, 16}) ? 2 : 0; // grey and alpha
    case 6:
        return depthIn({8, 16}) ? 4 : 0; // RGBA
    default:
        return 0;
    }
}

struct Header {
    uint32_t width, height;
    int bitDepth, colourType, channels;
};

bool readIHDR(const uint8_t* data, uint32_t length, int maxSide, Header& out) {
    if (length != 13)
        return false;
    out.width = bigEndian(data);
    out.height = bigEndian(data + 4);
    out.bitDepth = data[8];
    out.colourType = data[9];
    out.channels = channelsFor(out.colourType, out.bitDepth);
    const bool methodsKnown = data[10] == 0 && data[11] == 0 && data[12] <= 1;
    const uint32_t side = static_cast<uint32_t>(maxSide);
    return out.channels && methodsKnown && out.width >= 1 && out.height >= 1 && out.width <= side &&
           out.height <= side;
}

} // namespace

bool pngFitsInFile(std::size_t rowBytes, uint32_t height, std::size_t fileSize) {
    const unsigned long long filtered = (static_cast<unsigned long long>(rowBytes) + 1) * height;
    return filtered <= static_cast<unsigned long long>(fileSize) * 1100 + 4096;
}

bool readPNGHeader(std::span<const uint8_t> file, int maxSide, PNGHeader& out) {
    if (file.size() < sizeof kSignature || std::memcmp(file.data(), kSignature, 8) != 0)
        return false;
    Header header{};
    bool sawHeader = false, sawPalette = false, sawData = false;
    for (std::size_t at = sizeof kSignature;;) {
        // Length, type, data and checksum; a chunk cut short is a damaged file.
        if (file.size() - at < 12)
            return false;
        const uint8_t* chunk = file.data() + at;
        const uint32_t length = bigEndian(chunk);
        if (length > 0x7FFFFFFFu || file.size() - at - 12 < length)
            return false;
        const uint8_t* type = chunk + 4;
        const uint8_t* data = chunk + 8;
        // A damaged critical chunk spoils the picture; libpng skips a damaged ancillary one.
        const bool critical = !(type[0] & 0x20);
        if (critical && crc32(0, type, 4 + length) != bigEndian(data + length))
            return false;
        at += 12 + std::size_t(length);

        if (!sawHeader) {
            if (std::memcmp(type, "IHDR", 4) != 0 || !readIHDR(data, length, maxSide, header))
                return false;
            sawHeader = true;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            sawPalette = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            sawData = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
    }
    if (!sawData || (header.colourType == 3 && !sawPalette))
        return false;
    const std::size_t rowBytes =
        (std::size_t(header.width) * header.channels * header.bitDepth + 7) / 8;
    if (!pngFitsInFile(rowBytes, header.height, file.size()))
        return false;
    out.width = static_cast<int>(header.width);
    out.height = static_cast<int>(header.height);
    return true;
}
