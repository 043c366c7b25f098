#include <UIKit/UIImage.h>

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSString.h>
#include <UIKit/PNGDecoder.h>
#include <UIKit/PNGHeader.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The whole of a regular file, or false.
bool readRegularFile(const std::string& path, std::vector<uint8_t>& bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (ok) {
        uint8_t chunk[65536];
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(fd);
    return ok;
}

// "name@2x.png" holds a picture at twice the point size.
float scaleForPath(std::string_view path) {
    std::string_view name = path.substr(path.find_last_of('/') + 1);
    std::size_t dot = name.find_last_of('.');
    std::string_view stem = name.substr(0, dot);
    return stem.ends_with("@2x") ? 2.0f : 1.0f;
}

} // namespace

Ref<UIImage> UIImage::imageWithContentsOfFile(std::string_view phonePath) {
    if (phonePath.empty())
        return nullptr;
    std::vector<uint8_t> file;
    if (!readRegularFile(DeviceRoot::resolve(phonePath), file))
        return nullptr;
    PNGHeader header;
    if (!readPNGHeader(file, kMaxPixelSide, header))
        return nullptr;
    return adopt(new UIImage(std::string(phonePath), header.width, header.height,
                             scaleForPath(phonePath), std::move(file)));
}

const std::vector<uint8_t>& UIImage::rgba() const {
    if (!m_decoded) {
        m_decoded = true;
        PNGPixels pixels;
        if (decodePNG(m_file, kMaxPixelSide, pixels) && pixels.width == m_width &&
            pixels.height == m_height)
            m_rgba = std::move(pixels.rgba);
        std::vector<uint8_t>().swap(m_file);
    }
    return m_rgba;
}

std::string UIImage::description() const {
    return NSFormat("<UIImage: %s %dx%d>", m_path.c_str(), m_width, m_height);
}
