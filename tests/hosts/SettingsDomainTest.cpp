// The two plug-ins share no code, only the settings file: the name the widget reads and the
// name the pane's currency row writes must agree, as the built bundles carry them.
#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#include <gtest/gtest.h>

namespace {

std::string stringOf(const NSDictionary* dictionary, const char* key) {
    const NSString* value = dictionary ? NSCast<NSString>(dictionary->objectForKey(key)) : nullptr;
    return value ? value->UTF8String() : std::string();
}

TEST(SettingsDomain, WidgetAndPaneNameTheSameFile) {
    std::filesystem::path bundles = test::buildDir() / "lib/marrowfin/bundles";
    DeviceRoot::set("/"); // read the build's files by their real paths

    Ref<NSDictionary> paneInfo = NSDictionary::dictionaryWithContentsOfFile(
        (bundles / "MarrowfinPrefs.bundle/Info.plist").string());
    Ref<NSDictionary> list = NSDictionary::dictionaryWithContentsOfFile(
        (bundles / "MarrowfinPrefs.bundle/MarrowfinPrefs.plist").string());
    ASSERT_TRUE(paneInfo && list);

    // The currency row of the pane's list.
    std::string domain;
    const NSArray* items = NSCast<NSArray>(list->objectForKey("items"));
    ASSERT_NE(items, nullptr);
    for (const Ref<NSObject>& item : items->objects()) {
        const NSDictionary* row = NSCast<NSDictionary>(item.get());
        if (stringOf(row, "key") == "currency")
            domain = stringOf(row, "defaults");
    }
    ASSERT_FALSE(domain.empty());
    EXPECT_EQ(domain, stringOf(paneInfo.get(), "CFBundleIdentifier"));
    EXPECT_EQ(domain.find('/'), std::string::npos);
    EXPECT_FALSE(domain.ends_with(".plist"));

    // The widget's executable carries its settings path as a text of its own.
    std::string widget = test::readFile(bundles / "Marrowfin.bundle/Marrowfin");
    std::string path = "/var/mobile/Library/Preferences/" + domain + ".plist";
    EXPECT_NE(widget.find(std::string("\0", 1) + path + std::string("\0", 1)), std::string::npos)
        << "the widget does not read " << path;
}

} // namespace
