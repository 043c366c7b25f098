#include <UIKit/PNGDecoder.h>
#include <UIKit/PNGHeader.h>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace {

struct Source {
    const uint8_t* bytes;
    std::size_t size;
    std::size_t offset;
};

// libpng's failure path: straight back to the setjmp in readImage. A picture that cannot
// be read yields no picture and nothing in the log.
[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep into, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (length > source->size - source->offset)
        png_error(png, "file cut short");
    std::memcpy(into, source->bytes + source->offset, length);
    source->offset += length;
}

// Every libpng call that can fail runs in this frame. Objects with destructors live only in
// the caller's frame, so the longjmp of a failing call skips none of them.
bool readImage(png_structp png, png_infop info, Source* source, int maxSide, PNGPixels* out,
               std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_read_fn(png, source, readBytes);
    png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (!pngFitsInFile(png_get_rowbytes(png, info), height, source->size))
        return false;

    // Everything becomes 8-bit RGBA.
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_GRAY ||
        colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    if (png_get_rowbytes(png, info) != stride || png_get_channels(png, info) != 4 ||
        png_get_bit_depth(png, info) != 8)
        return false;

    out->rgba.resize(stride * height);
    rows->resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        (*rows)[y] = out->rgba.data() + stride * y;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    return true;
}

} // namespace

bool decodePNG(std::span<const uint8_t> file, int maxSide, PNGPixels& out) {
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }

    Source source{file.data(), file.size(), 0};
    PNGPixels pixels;
    std::vector<png_bytep> rows;
    bool ok = false;
    try {
        ok = readImage(png, info, &source, maxSide, &pixels, &rows);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (ok)
        out = std::move(pixels);
    return ok;
}
