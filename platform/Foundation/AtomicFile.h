#pragma once

#include <string>
#include <string_view>

// Writing whole files. Paths here are real ones (already resolved inside the device root).
namespace AtomicFile {

// Replaces the file at `path` in one step: a temporary file in the same folder is written
// in full, synced, given the old file's mode (0644 less the umask for a new file), renamed
// over the target, and the folder is synced. A reader sees the old file or the new one,
// never a part. On any failure the temporary file is removed and the target is left as it
// was. A crash may leave the temporary file behind: the next replacement in that folder
// removes it, so at most one is ever left. A target that is a symbolic link is itself replaced by
// the new regular file; the file it pointed to is left alone. A target that is a folder is refused.
// Answers whether the new content is in place; `error` receives the failing step.
bool replace(const std::string& path, std::string_view contents, std::string* error = nullptr);

// Truncates and writes the file at `path` (following a link), creating it with 0644 less
// the umask. A failure part-way leaves a part-written file; the answer says so.
bool writeInPlace(const std::string& path, std::string_view contents, std::string* error = nullptr);

} // namespace AtomicFile
