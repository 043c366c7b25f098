// Loading a specifier list from a bundle and binding its selectors to a target.
#include "CaptureStderr.h"
#include "PaneSupport.h"
#include "TestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <Foundation/NSBundle.h>
#include <Foundation/NSString.h>
#include <Preferences/PSListController.h>
#include <Preferences/PSSpecifier.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A target that answers "valueFor:", "store:for:" and "pressed:", and records each call.
class RecordingTarget : public NSObject {
public:
    struct Call {
        std::string selector;
        NSObject* first;
        NSObject* second;
    };
    std::vector<Call> calls;

    const char* className() const override { return "RecordingTarget"; }
    const NSSelectorTable* selectorTable() const override {
        static const NSSelectorEntry entries[] = {
            {"valueFor:",
             [](NSObject* self, NSObject* a, NSObject* b) -> Ref<NSObject> {
                 static_cast<RecordingTarget*>(self)->calls.push_back({"valueFor:", a, b});
                 return NSString::stringWithUTF8String("answer");
             }},
            {"store:for:",
             [](NSObject* self, NSObject* a, NSObject* b) -> Ref<NSObject> {
                 static_cast<RecordingTarget*>(self)->calls.push_back({"store:for:", a, b});
                 return nullptr;
             }},
            {"pressed:",
             [](NSObject* self, NSObject* a, NSObject* b) -> Ref<NSObject> {
                 static_cast<RecordingTarget*>(self)->calls.push_back({"pressed:", a, b});
                 return nullptr;
             }},
        };
        static const NSSelectorTable table{NSObject::selectorTable(), entries};
        return &table;
    }
};

// A plain list controller, as a pane without a subclass of its own would have.
class PlainController : public PSListController {};

const char* kPlistHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";

std::string listWithItems(const std::string& items) {
    return std::string(kPlistHead) +
           "<dict><key>title</key><string>Test Pane</string><key>items</key><array>" + items +
           "</array></dict></plist>\n";
}

class SpecifierList : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceRoot::set(root.str());
        test::writeFile(bundleFolder() / "Info.plist",
                        std::string(kPlistHead) +
                            "<dict><key>CFBundleIdentifier</key>"
                            "<string>org.example.test</string></dict></plist>");
        pane = make<PlainController>();
    }

    fs::path bundleFolder() const { return root.path() / "Library/PreferenceBundles/Test.bundle"; }

    void useBundle() {
        Ref<NSBundle> bundle = NSBundle::bundleWithPath("/Library/PreferenceBundles/Test.bundle");
        ASSERT_TRUE(bundle);
        pane->setBundle(bundle.get());
    }

    PSSpecifier* row(NSArray* list, std::size_t index) {
        return NSCast<PSSpecifier>(list->objectAtIndex(index));
    }

    test::TempDir root;
    Ref<PlainController> pane;
    Ref<RecordingTarget> target = make<RecordingTarget>();
};

TEST_F(SpecifierList, RowsCarryTheirPropertiesAndBindingsReachTheTarget) {
    test::writeFile(
        bundleFolder() / "Test.plist",
        listWithItems("<dict><key>cell</key><string>PSGroupCell</string>"
                      "<key>label</key><string>Group</string></dict>"
                      "<dict><key>cell</key><string>PSLinkListCell</string>"
                      "<key>label</key><string>Colour</string><key>key</key><string>colour</string>"
                      "<key>defaults</key><string>org.example.test</string>"
                      "<key>get</key><string>valueFor:</string>"
                      "<key>set</key><string>store:for:</string>"
                      "<key>validValues</key><array><string>r</string><string>g</string></array>"
                      "<key>validTitles</key><array><string>Red</string><string>Green</string>"
                      "</array></dict>"
                      "<dict><key>cell</key><string>PSButtonCell</string>"
                      "<key>label</key><string>Press</string>"
                      "<key>action</key><string>pressed:</string></dict>"));
    useBundle();
    test::CaptureStderr log;
    NSArray* list = pane->loadSpecifiersFromPlistName("Test", target.get());
    ASSERT_TRUE(list);
    EXPECT_EQ(log.logMessages(), std::vector<std::string>{});
    ASSERT_EQ(list->count(), 3u);
    EXPECT_EQ(pane->title(), "Test Pane");

    PSSpecifier* group = row(list, 0);
    EXPECT_EQ(group->cellType(), "PSGroupCell");
    EXPECT_EQ(group->name(), "Group");
    EXPECT_TRUE(group->getter().empty() && group->setter().empty() && group->action().empty());

    PSSpecifier* colour = row(list, 1);
    EXPECT_EQ(colour->key(), "colour");
    EXPECT_EQ(colour->propertyString("defaults"), "org.example.test");
    ASSERT_TRUE(colour->values() && colour->titles());
    EXPECT_EQ(colour->values()->description(), "(r, g)");
    EXPECT_EQ(colour->titles()->description(), "(Red, Green)");

    Ref<NSObject> value = colour->performGetter();
    EXPECT_EQ(NSDescription(value.get()), "answer");
    auto newValue = NSString::stringWithUTF8String("g");
    EXPECT_TRUE(colour->performSetterWithValue(newValue.get()));
    PSSpecifier* button = row(list, 2);
    EXPECT_TRUE(button->performAction());
    EXPECT_FALSE(button->performSetterWithValue(newValue.get())) << "the button has no setter";

    ASSERT_EQ(target->calls.size(), 3u);
    EXPECT_EQ(target->calls[0].selector, "valueFor:");
    EXPECT_EQ(target->calls[0].first, colour);
    EXPECT_EQ(target->calls[1].selector, "store:for:");
    EXPECT_EQ(target->calls[1].first, newValue.get());
    EXPECT_EQ(target->calls[1].second, colour);
    EXPECT_EQ(target->calls[2].selector, "pressed:");
    EXPECT_EQ(target->calls[2].first, button) << "the sender of an action is its row";
}

TEST_F(SpecifierList, UnknownSelectorIsOneLogLineAndNoBinding) {
    test::writeFile(bundleFolder() / "Test.plist",
                    listWithItems("<dict><key>cell</key><string>PSLinkListCell</string>"
                                  "<key>label</key><string>Colour</string>"
                                  "<key>key</key><string>colour</string>"
                                  "<key>get</key><string>valueFor:</string>"
                                  "<key>set</key><string>noSuchSetter:forSpecifier:</string>"
                                  "</dict>"));
    useBundle();
    test::CaptureStderr log;
    NSArray* list = pane->loadSpecifiersFromPlistName("Test", target.get());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 1u);
    EXPECT_EQ(log.logMessages(),
              std::vector<std::string>{"specifier list Test: row 'Colour' names the setter "
                                       "'noSuchSetter:forSpecifier:' that RecordingTarget does not "
                                       "answer; the row has no setter"});
    PSSpecifier* colour = row(list, 0);
    EXPECT_EQ(colour->getter(), "valueFor:");
    EXPECT_TRUE(colour->setter().empty());
    EXPECT_FALSE(colour->performSetterWithValue(nullptr));
    EXPECT_TRUE(target->calls.empty());
}

TEST_F(SpecifierList, BrokenListsAnswerNothingWithOneLine) {
    const std::string folder = DeviceRoot::resolve("/Library/PreferenceBundles/Test.bundle");
    const struct {
        const char* name;
        const char* content; // null: no list file
        const char* line;
    } cases[] = {
        {"no list file", nullptr, "specifier list Test: no Test.plist in "},
        {"not a property list", "garbage", "specifier list Test: "},
        {"no items", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>",
         "specifier list Test has no \"items\" array"},
        {"items is not an array",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>items</key><string>x</string>"
         "</dict></plist>",
         "specifier list Test has no \"items\" array"},
    };
    useBundle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(bundleFolder() / "Test.plist");
        if (c.content)
            test::writeFile(bundleFolder() / "Test.plist", c.content);
        test::CaptureStderr log;
        EXPECT_EQ(pane->loadSpecifiersFromPlistName("Test", target.get()), nullptr);
        std::vector<std::string> messages = log.logMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].starts_with(c.line)) << messages[0];
    }
}

TEST_F(SpecifierList, ItemThatIsNoDictionaryIsLeftOut) {
    test::writeFile(bundleFolder() / "Test.plist",
                    listWithItems("<string>stray</string>"
                                  "<dict><key>cell</key><string>PSGroupCell</string></dict>"));
    useBundle();
    test::CaptureStderr log;
    NSArray* list = pane->loadSpecifiersFromPlistName("Test", target.get());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count(), 1u);
    EXPECT_EQ(log.logMessages(),
              std::vector<std::string>{
                  "specifier list Test: item 0 is not a dictionary; it is left out"});
}

TEST_F(SpecifierList, WithoutBundleThereIsNoList) {
    test::CaptureStderr log;
    EXPECT_EQ(pane->loadSpecifiersFromPlistName("Test", target.get()), nullptr);
    EXPECT_EQ(log.logMessages().size(), 1u);
}

} // namespace
