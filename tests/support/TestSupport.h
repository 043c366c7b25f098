#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace test {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& path, std::string_view content);
std::string readFile(const std::filesystem::path& path);

// Where the build put things.
inline std::filesystem::path buildDir() { return MARROWFIN_BUILD_DIR; }
inline std::filesystem::path sourceDir() { return MARROWFIN_SOURCE_DIR; }

} // namespace test
