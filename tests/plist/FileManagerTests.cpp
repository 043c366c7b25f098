// The file manager's existence test, inside the device root.
#include "PlistFixtures.h"

#include <Foundation/DeviceRoot.h>
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

// A phone path that climbs with ".." stops at the top of the device root, as in a chroot:
// reads, existence tests and writes all stay inside it. The root sits three folders deep
// in the scratch folder, so a path that got out would land in the scratch folder.
TEST_F(FileManager, DotDotNeverLeavesTheDeviceRoot) {
    test::TempDir scratch;
    fs::path root = scratch.path() / "a/b/device";
    fs::create_directories(root / "var/mobile/Library/Preferences");
    fs::create_directories(scratch.path() / "outside");
    test::writeFile(scratch.path() / "outside/x.plist",
                    "<plist><dict><key>currency</key><string>GBP</string></dict></plist>");
    DeviceRoot::set(root.string());
    const char* climbs[] = {
        "/../../../outside/x.plist",
        "/var/mobile/Library/Preferences/../../../../../../../outside/x.plist",
        "/var/../../../../outside/./x.plist",
        "/a/b/../../../../../outside/x.plist",
    };
    NSDictionary::Storage entries{{"currency", NSString::stringWithUTF8String("EUR")}};
    Ref<NSDictionary> settings = make<NSDictionary>(std::move(entries));
    for (const char* phone : climbs) {
        SCOPED_TRACE(phone);
        EXPECT_EQ(DeviceRoot::resolve(phone), (root / "outside/x.plist").string());
        fs::remove_all(root / "outside");
        EXPECT_FALSE(NSFileManager::defaultManager()->fileExistsAtPath(phone));
        EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile(phone)); // the one outside
        fs::create_directories(root / "outside");
        EXPECT_TRUE(settings->writeToFile(phone, true));
        EXPECT_TRUE(settings->writeToFile(phone, false));
        Ref<NSDictionary> read = NSDictionary::dictionaryWithContentsOfFile(phone);
        ASSERT_TRUE(read);
        EXPECT_EQ(NSDescription(read->objectForKey("currency")), "EUR");
        EXPECT_EQ(test::readFile(scratch.path() / "outside/x.plist"),
                  "<plist><dict><key>currency</key><string>GBP</string></dict></plist>");
        EXPECT_EQ(listing(scratch.path()), "a outside");
    }
    // What stays as it was: the top itself, a folder's trailing slash, a relative path.
    EXPECT_EQ(DeviceRoot::resolve("/"), root.string() + "/");
    EXPECT_EQ(DeviceRoot::resolve("/.."), root.string() + "/");
    EXPECT_EQ(DeviceRoot::resolve("/var/mobile/../mobile/"), root.string() + "/var/mobile/");
    EXPECT_EQ(DeviceRoot::resolve("relative/../x"), "relative/../x");
}
