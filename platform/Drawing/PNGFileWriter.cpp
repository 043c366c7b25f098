#include "PNGFileWriter.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Drawing {

namespace {

// Fast compression: the picture is drawn again at every request, and level 3 without row
// filters writes it in a third of the time of the usual settings for a file 20% larger.
constexpr int kCompressionLevel = 3;

// What the encoder's callbacks report. It lives outside the function that calls setjmp, so
// nothing it holds is lost when libpng jumps back.
struct EncodeState {
    int fd = -1;
    int writeError = 0; // errno of the failed write, if one failed
    std::string reason; // libpng's message, if it gave up
};

void writeToDescriptor(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<EncodeState*>(png_get_io_ptr(png));
    while (length > 0) {
        ssize_t written = ::write(state->fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            state->writeError = written < 0 ? errno : EIO;
            png_error(png, "write failed");
        }
        data += written;
        length -= static_cast<png_size_t>(written);
    }
}

void flushNothing(png_structp) {}

void keepMessage(png_structp png, png_const_charp message) {
    auto* state = static_cast<EncodeState*>(png_get_error_ptr(png));
    if (state->reason.empty())
        state->reason = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Writes the surface's pixels to state.fd as 8-bit RGBA with straight alpha. Answers whether
// it succeeded; the reason it did not is in `state`.
bool encodePNG(cairo_surface_t* surface, EncodeState& state) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    if (!pixels || cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        state.reason = "the picture has no pixels to write";
        return false;
    }

    std::vector<png_byte> row(std::size_t(width) * 4);
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, keepMessage, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        state.reason = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &state, writeToDescriptor, flushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kCompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(pixels + std::size_t(y) * stride);
        png_byte* out = row.data();
        for (int x = 0; x < width; ++x, out += 4) {
            const uint32_t word = in[x], a = word >> 24;
            uint32_t r = (word >> 16) & 0xff, g = (word >> 8) & 0xff, b = word & 0xff;
            if (a != 255 && a != 0) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
            }
            out[0] = png_byte(r), out[1] = png_byte(g), out[2] = png_byte(b), out[3] = png_byte(a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The mode a newly created file gets: what the umask leaves of rw-rw-rw-.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool writePNGReplacing(cairo_surface_t* surface, const std::string& path, std::string* error) {
    auto fail = [&](std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    };
    if (path.empty())
        return fail("no file name for the picture");
    if (path.back() == '/')
        return fail(path + ": is a folder, not a file name");

    std::string pattern = path + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail("cannot create a file beside " + path + ": " + std::strerror(errno));

    // What went wrong first, if anything.
    std::string reason;
    EncodeState state;
    state.fd = fd;
    if (!encodePNG(surface, state))
        reason = state.writeError       ? std::strerror(state.writeError)
                 : state.reason.empty() ? "the PNG could not be made"
                                        : state.reason;
    else if (::fchmod(fd, newFileMode()) != 0)
        reason = std::strerror(errno);
    if (::close(fd) != 0 && reason.empty())
        reason = std::strerror(errno);
    if (!reason.empty()) {
        ::unlink(temporary.data());
        return fail("cannot write " + path + ": " + reason);
    }
    if (::rename(temporary.data(), path.c_str()) != 0) {
        int renameErrno = errno;
        ::unlink(temporary.data());
        return fail("cannot replace " + path + ": " + std::strerror(renameErrno));
    }
    return true;
}

} // namespace Drawing
