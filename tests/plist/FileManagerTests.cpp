// The file manager's existence test, inside the device root.
#include "PlistFixtures.h"

#include <Foundation/NSDictionary.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSString.h>

namespace fs = std::filesystem;
using plisttest::DeviceRootTest;

class FileManager : public DeviceRootTest {};

TEST_F(FileManager, FileExistsAtPath) {
    fs::path prefs = real("/var/mobile/Library/Preferences");
    fs::create_directories(prefs);
    test::writeFile(prefs / "file.plist", "x");
    fs::create_symlink("file.plist", prefs / "link.plist");
    fs::create_symlink("nowhere.plist", prefs / "dangling.plist");
    struct Case {
        const char* phonePath;
        bool exists;
        bool isDirectory;
    } cases[] = {
        {"/var/mobile/Library/Preferences/file.plist", true, false},
        {"/var/mobile/Library/Preferences", true, true},
        {"/var/mobile/Library/Preferences/link.plist", true, false},
        {"/var/mobile/Library/Preferences/dangling.plist", false, false},
        {"/var/mobile/Library/Preferences/absent.plist", false, false},
        {"", false, false},
    };
    NSFileManager* manager = NSFileManager::defaultManager();
    ASSERT_EQ(manager, NSFileManager::defaultManager());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phonePath);
        bool isDirectory = !c.isDirectory;
        EXPECT_EQ(manager->fileExistsAtPath(c.phonePath), c.exists);
        EXPECT_EQ(manager->fileExistsAtPath(c.phonePath, &isDirectory), c.exists);
        EXPECT_EQ(isDirectory, c.isDirectory);
    }
}

// The phone's paths land inside the device root, never at the real absolute path.
TEST_F(FileManager, PhonePathsResolveInsideTheDeviceRoot) {
    std::string phone = "/var/mobile/Library/Preferences/com.example.marrowfin-test.plist";
    fs::create_directories(real(phone).parent_path());
    NSDictionary::Storage entries{{"currency", NSString::stringWithUTF8String("EUR")}};
    ASSERT_TRUE(make<NSDictionary>(std::move(entries))->writeToFile(phone, true));
    EXPECT_TRUE(fs::is_regular_file(real(phone)));
    EXPECT_FALSE(fs::exists(phone));
    EXPECT_TRUE(NSFileManager::defaultManager()->fileExistsAtPath(phone));
    EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile(phone));
}
