#include <Foundation/AtomicFile+Testing.h>
#include <Foundation/AtomicFile.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace AtomicFile {
namespace {

BeforeRenameHook& beforeRenameHook() {
    static BeforeRenameHook hook;
    return hook;
}

bool fail(std::string* error, std::string_view step, const std::string& path, int code) {
    if (error)
        *error = std::string(step) + " " + path + ": " + std::strerror(code);
    return false;
}

bool writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

mode_t newFileMode() {
    // umask can only be read by setting it; everything runs on one thread.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0644 & ~mask;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The temporary file's name for a target named `name`, less its six random letters.
std::string temporaryPrefix(const std::string& path) {
    std::size_t slash = path.rfind('/');
    // The temporary name must stay within NAME_MAX however long the target's name is.
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 200);
    return "." + name + ".tmp-";
}

// A writer holds an exclusive lock on its temporary file from the moment it is made until
// it is renamed into place, and the system drops the lock when the writer dies. So a
// temporary file of our naming that nobody holds locked is left over from a crash, and is
// removed here, before the next write adds its own: at most one is ever left behind.
void removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        int fd = ::openat(dirFd, entry->d_name,
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// Makes and locks a temporary file from `pattern` (its XXXXXX replaced by the name);
// -1 with errno on failure.
int createLockedTemporary(std::string& pattern) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name = pattern;
        int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        // Another writer's clean-up may have taken the name between its making and the
        // lock; then the name is no longer ours, and another is made.
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 &&
            ::lstat(name.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            pattern = std::move(name);
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// Closes the descriptor and removes the temporary file unless it was handed over.
class Temporary {
public:
    Temporary(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~Temporary() {
        if (!m_kept)
            ::unlink(m_path.c_str());
        closeFile();
    }
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    bool closeFile() {
        if (m_fd < 0)
            return true;
        int rc = ::close(std::exchange(m_fd, -1));
        return rc == 0 || errno == EINTR;
    }
    void keep() { m_kept = true; }

private:
    int m_fd;
    std::string m_path;
    bool m_kept = false;
};

} // namespace

void setHookBeforeRenameForTesting(BeforeRenameHook hook) {
    beforeRenameHook() = std::move(hook);
}

bool replace(const std::string& path, std::string_view contents, std::string* error) {
    if (path.empty() || path.back() == '/')
        return fail(error, "replace", path, EISDIR);
    mode_t mode = newFileMode();
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return fail(error, "replace", path, EISDIR);
        if (S_ISREG(old.st_mode))
            mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(error, "lstat", path, errno);
    }

    std::string folder = folderOf(path);
    std::string prefix = temporaryPrefix(path);
    removeStaleTemporaries(folder, prefix);
    std::string pattern = (folder == "/" ? "" : folder) + "/" + prefix + "XXXXXX";
    int fd = createLockedTemporary(pattern);
    if (fd < 0)
        return fail(error, "create temporary file in", folder, errno);
    Temporary temporary(fd, pattern);

    if (!writeAll(fd, contents))
        return fail(error, "write", temporary.path(), errno);
    if (::fchmod(fd, mode) != 0)
        return fail(error, "chmod", temporary.path(), errno);
    if (::fsync(fd) != 0)
        return fail(error, "fsync", temporary.path(), errno);
    if (const BeforeRenameHook& hook = beforeRenameHook(); hook && !hook(temporary.path()))
        return fail(error, "rename", temporary.path(), EIO);
    if (::rename(temporary.path().c_str(), path.c_str()) != 0)
        return fail(error, "rename", temporary.path(), errno);
    temporary.keep();
    // The content is synced and in place; only now is the lock let go.
    temporary.closeFile();

    // The new name is in place; syncing the folder makes it survive a power cut.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(error, "open folder", folder, errno);
    int rc = ::fsync(dir);
    int code = errno;
    ::close(dir);
    if (rc != 0 && code != EINVAL) // EINVAL: the file system does not sync folders
        return fail(error, "fsync folder", folder, code);
    return true;
}

bool writeInPlace(const std::string& path, std::string_view contents, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, "open", path, errno);
    bool written = writeAll(fd, contents);
    int code = errno;
    if (::close(fd) != 0 && written) {
        written = errno == EINTR;
        code = errno;
    }
    if (!written)
        return fail(error, "write", path, code);
    return true;
}

} // namespace AtomicFile
