// Reading and writing dictionaries as property-list files.
#include <Foundation/AtomicFile.h>
#include <Foundation/DeviceRoot.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSPropertyList.h>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A bigger file holds no list we would read; it is refused unread.
constexpr std::size_t kMaxFileSize = NSPropertyList::kMaxBytes;

// The whole regular file, or nothing when it is missing, unreadable, not a regular file
// (a FIFO would block) or larger than kMaxFileSize.
std::optional<std::string> readWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::size_t>(info.st_size) <= kMaxFileSize) {
        std::string bytes;
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t filled = 0;
        bool ok = true;
        // Read until end of file, allowing for a file that grew or shrank since fstat,
        // but never beyond the cap.
        while (true) {
            if (filled == bytes.size()) {
                if (bytes.size() > kMaxFileSize) {
                    ok = false;
                    break;
                }
                bytes.resize(bytes.size() + 4096);
            }
            ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        if (ok) {
            bytes.resize(filled);
            result = std::move(bytes);
        }
    }
    ::close(fd);
    return result;
}

Ref<NSObject> readList(std::string_view phonePath, bool mutableRoot) {
    std::optional<std::string> bytes = readWholeFile(DeviceRoot::resolve(phonePath));
    if (!bytes)
        return nullptr;
    return NSPropertyList::objectWithData(*bytes, mutableRoot);
}

} // namespace

Ref<NSDictionary> NSDictionary::dictionaryWithContentsOfFile(std::string_view path) {
    Ref<NSObject> list = readList(path, false);
    return NSCast<NSDictionary>(list.get());
}

Ref<NSMutableDictionary> NSMutableDictionary::dictionaryWithContentsOfFile(std::string_view path) {
    Ref<NSObject> list = readList(path, true);
    return NSCast<NSMutableDictionary>(list.get());
}

bool NSDictionary::writeToFile(std::string_view path, bool atomically) const {
    std::string bytes;
    if (!NSPropertyList::dataWithObject(this, NSPropertyList::Format::XML, bytes))
        return false;
    std::string real = DeviceRoot::resolve(path);
    return atomically ? AtomicFile::replace(real, bytes) : AtomicFile::writeInPlace(real, bytes);
}
