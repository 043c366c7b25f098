#include <UIKit/UIKit.h>
#include <UIKit/UIView+Host.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>
#include <string>
#include <utility>

namespace {

using nlohmann::json;

// A small widget-like tree: a container, a picture view without a picture, a label with
// text needing escapes, a hidden label with no text and a button.
class Dump : public ::testing::Test {
protected:
    void SetUp() override {
        root = make<UIView>(CGRectMake(2, 0, 316, 110));
        Ref<UIImageView> background = make<UIImageView>(nullptr);
        background->setFrame(CGRectMake(0, 0, 316, 110));
        root->addSubview(background.get());

        Ref<UILabel> label = make<UILabel>(CGRectMake(0.5f, 7, 316, 21));
        label->setText(make<NSString>("Last price: \"1\u00a0234,5 \u20ac\"\\\n\t\x01").get());
        label->setTextColor(UIColor::whiteColor());
        label->setBackgroundColor(UIColor::clearColor());
        label->setTextAlignment(NSTextAlignmentCenter);
        root->addSubview(label.get());

        Ref<UILabel> unset = make<UILabel>(CGRectMake(1, 43, 316, 21));
        unset->setHidden(true);
        root->addSubview(unset.get());

        Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setFrame(CGRectMake(-4, 0, 66, 114));
        root->addSubview(button.get());
    }

    Ref<UIView> root;
};

TEST_F(Dump, GivesEveryViewItsFields) {
    const std::string text = UIKitHost::dumpJSON(root.get());
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const json tree = json::parse(text);

    EXPECT_EQ(tree["class"], "UIView");
    EXPECT_EQ(tree["frame"], json({2, 0, 316, 110}));
    EXPECT_EQ(tree["hidden"], false);
    EXPECT_FALSE(tree.contains("backgroundColor"));
    ASSERT_EQ(tree["subviews"].size(), 4u);

    const json& background = tree["subviews"][0];
    EXPECT_EQ(background["class"], "UIImageView");
    EXPECT_TRUE(background["image"].is_null());
    EXPECT_EQ(background["subviews"], json::array());

    const json& label = tree["subviews"][1];
    EXPECT_EQ(label["class"], "UILabel");
    EXPECT_EQ(label["text"], "Last price: \"1\u00a0234,5 \u20ac\"\\\n\t\x01");
    EXPECT_EQ(label["textColor"], json({1, 1, 1, 1}));
    EXPECT_EQ(label["backgroundColor"], json({0, 0, 0, 0}));
    EXPECT_EQ(label["textAlignment"], 1);
    EXPECT_EQ(label["frame"][0], 0.5);

    const json& unset = tree["subviews"][2];
    EXPECT_EQ(unset["hidden"], true);
    EXPECT_TRUE(unset["text"].is_null());
    EXPECT_TRUE(unset["textColor"].is_null());
    EXPECT_TRUE(unset["backgroundColor"].is_null());
    EXPECT_EQ(unset["textAlignment"], 0);

    const json& button = tree["subviews"][3];
    EXPECT_EQ(button["class"], "UIButton");
    EXPECT_TRUE(button["image"].is_null());
    EXPECT_EQ(button["frame"], json({-4, 0, 66, 114}));
}

TEST_F(Dump, NumbersInTheirShortestForm) {
    const std::string text = UIKitHost::dumpJSON(root.get());
    EXPECT_NE(text.find("\"frame\":[2,0,316,110]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"frame\":[-4,0,66,114]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"frame\":[0.5,7,316,21]"), std::string::npos) << text;
    EXPECT_NE(text.find("\\u0001"), std::string::npos) << text;
}

TEST(JSONNumber, ShortestFormAndNullWhereJSONHasNoNumber) {
    const std::pair<float, const char*> cases[] = {
        {110.0f, "110"},
        {-4.0f, "-4"},
        {0.5f, "0.5"},
        {0.1f, "0.1"},
        {std::numeric_limits<float>::quiet_NaN(), "null"},
        {std::numeric_limits<float>::infinity(), "null"},
        {-std::numeric_limits<float>::infinity(), "null"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(UIKitHost::jsonNumber(value), text) << value;
}

TEST_F(Dump, BrokenUTF8StillGivesValidJSON) {
    Ref<UILabel> label = make<UILabel>();
    label->setText(make<NSString>(std::string("a\xff"
                                              "b\xc3",
                                              4))
                       .get());
    const json tree = json::parse(UIKitHost::dumpJSON(label.get()));
    EXPECT_EQ(tree["text"], "a\uFFFDb\uFFFD");
}

TEST(DumpRoot, NullRootIsNull) {
    EXPECT_EQ(UIKitHost::dumpJSON(nullptr), "null");
}

// Dumping, hit-testing and freeing a chain far deeper than any stack would take by recursion.
TEST(DeepTree, AnyDepthWorks) {
    constexpr int depth = 200000;
    // Built from the leaf up, so each addition checks a short chain of ancestors.
    Ref<UIView> leaf = make<UIView>(CGRectMake(0, 0, 10, 10));
    Ref<UIView> root = leaf;
    for (int i = 0; i < depth; ++i) {
        Ref<UIView> parent = make<UIView>(CGRectMake(0, 0, 10, 10));
        parent->addSubview(root.get());
        root = parent;
    }
    EXPECT_EQ(UIKitHost::hitTest(root.get(), {5, 5}), leaf);

    const std::string text = UIKitHost::dumpJSON(root.get());
    const std::string one =
        "{\"class\":\"UIView\",\"frame\":[0,0,10,10],\"hidden\":false,\"subviews\":[";
    std::string expected;
    for (int i = 0; i <= depth; ++i)
        expected += one;
    for (int i = 0; i <= depth; ++i)
        expected += "]}";
    EXPECT_TRUE(text == expected); // not EXPECT_EQ: a failure would print megabytes
    leaf.clear();
    root.clear();
}

} // namespace
