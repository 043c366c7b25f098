// The Marrowfin pane as the settings app sees it: its list, loaded once, and its links.
#include "CaptureStderr.h"
#include "PaneSupport.h"
#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSString.h>
#include <Preferences/PSSpecifier.h>
#include <UIKit/UIApplication+Host.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kBundle = "/Library/PreferenceBundles/MarrowfinPrefs.bundle";

class Pane : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceRoot::set(root.str());
        test::installPane(root.path());
        controller = test::makePaneController();
        ASSERT_TRUE(controller);
        bundle = NSBundle::bundleWithPath(kBundle);
        ASSERT_TRUE(bundle);
        controller->setBundle(bundle.get());
        UIApplicationHost::setBrowserAllowed(false);
        UIApplicationHost::setOpenURLObserver(
            [this](const std::string& address) { opened.push_back(address); });
    }
    void TearDown() override { UIApplicationHost::setOpenURLObserver({}); }

    fs::path listFile() const {
        return DeviceRoot::resolve(std::string(kBundle) + "/MarrowfinPrefs.plist");
    }

    PSSpecifier* rowLabelled(const std::string& label) {
        for (const Ref<NSObject>& object : controller->specifiers()->objects()) {
            auto* row = NSCast<PSSpecifier>(object.get());
            if (row && row->name() == label && row->cellType() != "PSGroupCell")
                return row;
        }
        return nullptr;
    }

    test::TempDir root;
    Ref<PSListController> controller;
    Ref<NSBundle> bundle;
    std::vector<std::string> opened;
};

TEST_F(Pane, ListIsLoadedOnceAndKept) {
    NSArray* first = controller->specifiers();
    ASSERT_TRUE(first);
    // A list changed or gone after the first load changes nothing: it is not read again.
    fs::remove(listFile());
    EXPECT_EQ(controller->specifiers(), first);
    EXPECT_EQ(controller->specifiers(), first);
}

TEST_F(Pane, ListThatFailedToLoadIsTriedAgain) {
    std::string saved = test::readFile(listFile());
    fs::remove(listFile());
    {
        test::CaptureStderr log;
        EXPECT_EQ(controller->specifiers(), nullptr);
        EXPECT_EQ(log.logMessages().size(), 1u);
    }
    test::writeFile(listFile(), saved);
    EXPECT_NE(controller->specifiers(), nullptr);
}

TEST_F(Pane, ListIsHeldByTheControllerItself) {
    // The base class keeps a loaded list only until its next load; the list must then
    // still live through the controller's own counted reference.
    NSArray* list = controller->specifiers();
    ASSERT_TRUE(list);
    NSArray* other = controller->loadSpecifiersFromPlistName("MarrowfinPrefs", controller.get());
    ASSERT_TRUE(other);
    EXPECT_NE(other, list);
    EXPECT_EQ(list->retainCount(), 1u);
    EXPECT_EQ(controller->specifiers(), list);
    EXPECT_EQ(list->count(), other->count());
}

TEST_F(Pane, CurrencyRowOffersTheSixteenCodesInTheSettingsDomain) {
    test::CaptureStderr log;
    NSArray* list = controller->specifiers();
    ASSERT_TRUE(list);
    EXPECT_EQ(log.logMessages(), std::vector<std::string>{})
        << "every selector the list names is answered";

    PSSpecifier* currency = nullptr;
    for (const Ref<NSObject>& object : list->objects()) {
        auto* row = NSCast<PSSpecifier>(object.get());
        if (row && row->key() == "currency")
            currency = row;
    }
    ASSERT_TRUE(currency);
    EXPECT_EQ(currency->propertyString("defaults"), bundle->bundleIdentifier());
    EXPECT_EQ(currency->getter(), "getValueForSpecifier:");
    EXPECT_EQ(currency->setter(), "setValue:forSpecifier:");
    ASSERT_TRUE(currency->values() && currency->titles());
    EXPECT_EQ(currency->values()->description(),
              "(USD, GBP, AUD, CAD, DKK, CHF, CNY, EUR, HKD, JPY, NZD, PLN, RUB, SEK, SGD, THB)");
    ASSERT_EQ(currency->titles()->count(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        std::string code = NSDescription(currency->values()->objectAtIndex(i));
        std::string title = NSDescription(currency->titles()->objectAtIndex(i));
        SCOPED_TRACE(code);
        EXPECT_TRUE(title.ends_with(" (" + code + ")")) << title;
        EXPECT_GT(title.size(), code.size() + 3) << "a name before the code";
    }
    EXPECT_EQ(NSDescription(currency->titles()->objectAtIndex(7)), "Euro (EUR)");
}

TEST_F(Pane, EachLinkOpensItsAddressWhateverTheSender) {
    const struct {
        const char* label;
        const char* selector;
        const char* address;
    } links[] = {
        {"Follow on Twitter", "followOnTwitter:", "https://twitter.com/marrowfin"},
        {"Visit Web Site", "visitWebSite:", "http://marrowfin.org"},
        {"Make a Donation", "makeDonation:",
         "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id=MARROWFIN0001"},
    };
    auto someText = NSString::stringWithUTF8String("a sender");
    for (const auto& link : links) {
        SCOPED_TRACE(link.label);
        opened.clear();
        PSSpecifier* row = rowLabelled(link.label);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->cellType(), "PSButtonCell");
        EXPECT_EQ(row->action(), link.selector);
        EXPECT_TRUE(row->performAction());
        EXPECT_TRUE(controller->performSelector(link.selector, nullptr));
        EXPECT_TRUE(controller->performSelector(link.selector, someText.get()));
        EXPECT_TRUE(controller->performSelector(link.selector, controller.get()));
        EXPECT_EQ(opened, std::vector<std::string>(4, link.address));
    }
}

TEST_F(Pane, UnknownSelectorIsNoAnswer) {
    EXPECT_FALSE(controller->respondsToSelector("reload:"));
    EXPECT_FALSE(controller->performSelector("reload:"));
    EXPECT_TRUE(controller->respondsToSelector("getValueForSpecifier:"));
}

} // namespace
