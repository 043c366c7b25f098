#include <UIKit/UIKit.h>
#include <UIKit/UIView+Host.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A view that keeps the points its touches arrived at.
class TouchRecorder : public UIView {
public:
    using UIView::UIView;
    void touchesBegan(CGPoint p) override { began.push_back(p); }
    void touchesEnded(CGPoint p) override { ended.push_back(p); }
    std::vector<CGPoint> began, ended;
};

// Laid out like the widget: a background, a label lying over the button, the button
// reaching past the container's left and bottom edges; plus nested, overlapping,
// hidden and outlying views.
class HitTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = make<UIView>(CGRectMake(2, 0, 316, 110));
        add(root, make<UIImageView>(nullptr), CGRectMake(0, 0, 316, 110));
        button =
            add(root, UIButton::buttonWithType(UIButtonTypeCustom), CGRectMake(-4, 0, 66, 114));
        add(root, make<UILabel>(), CGRectMake(0, 7, 316, 21));
        outer = add(root, make<UIView>(), CGRectMake(200, 10, 50, 50));
        inner = add(outer, make<TouchRecorder>(), CGRectMake(10, 10, 10, 10));
        back = add(root, make<UIView>(), CGRectMake(100, 60, 40, 40));
        front = add(root, make<UIView>(), CGRectMake(120, 80, 40, 40));
        hidden = add(root, make<UIView>(), CGRectMake(250, 60, 40, 40));
        add(hidden, make<UIView>(), CGRectMake(0, 0, 40, 40));
        hidden->setHidden(true);
        outlier =
            add(root, UIButton::buttonWithType(UIButtonTypeCustom), CGRectMake(300, 100, 40, 40));
    }

    template <typename T>
    T* add(UIView* parent, Ref<T> view, CGRect frame) {
        view->setFrame(frame);
        parent->addSubview(view.get());
        return view.get();
    }

    Ref<UIView> root;
    UIButton* button = nullptr;
    UIView* outer = nullptr;
    TouchRecorder* inner = nullptr;
    UIView* back = nullptr;
    UIView* front = nullptr;
    UIView* hidden = nullptr;
    UIButton* outlier = nullptr;
};

TEST_F(HitTest, FrontmostViewThatTakesTouches) {
    struct Case {
        const char* name;
        CGPoint point;
        const char* expected; // "" when no view takes the touch
    };
    const Case cases[] = {
        {"label over the button does not take the touch", {10, 10}, "button"},
        {"button below the label", {10, 50}, "button"},
        {"button left of the container", {-3, 5}, "button"},
        {"button below the container", {10, 113.5f}, "button"},
        {"right edge of the button misses it", {62, 50}, "root"},
        {"bottom edge of the button misses it", {10, 114}, ""},
        {"nested view, in root coordinates", {215, 25}, "inner"},
        {"parent around the nested view", {205, 15}, "outer"},
        {"later sibling in front", {130, 90}, "front"},
        {"earlier sibling where the later is not", {105, 65}, "back"},
        {"hidden view and its subtree skipped", {260, 70}, "root"},
        {"button frame outside its parent", {330, 130}, "outlier"},
        {"right edge of the root misses", {316, 5}, ""},
        {"left of everything", {-10, 5}, ""},
    };
    const std::map<std::string, UIView*> named = {
        {"root", root.get()}, {"button", button}, {"inner", inner},     {"outer", outer},
        {"back", back},       {"front", front},   {"outlier", outlier}, {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UIKitHost::hitTest(root.get(), c.point), named.at(c.expected));
    }
}

TEST_F(HitTest, HiddenOrMissingRootTakesNothing) {
    EXPECT_EQ(UIKitHost::hitTest(nullptr, {1, 1}), nullptr);
    root->setHidden(true);
    EXPECT_EQ(UIKitHost::hitTest(root.get(), {10, 50}), nullptr);
}

TEST_F(HitTest, InteractionCanBeTurnedOnAndOff) {
    UIView* label = root->subviews()[2].get();
    label->setUserInteractionEnabled(true);
    EXPECT_EQ(UIKitHost::hitTest(root.get(), {10, 10}), label);
    button->setUserInteractionEnabled(false);
    EXPECT_EQ(UIKitHost::hitTest(root.get(), {10, 50}), root.get());
}

TEST_F(HitTest, TapArrivesInTheViewsOwnCoordinates) {
    EXPECT_EQ(UIKitHost::deliverTap(root.get(), {215, 26}), inner);
    ASSERT_EQ(inner->began.size(), 1u);
    ASSERT_EQ(inner->ended.size(), 1u);
    EXPECT_FLOAT_EQ(inner->began[0].x, 5);
    EXPECT_FLOAT_EQ(inner->began[0].y, 6);
    EXPECT_FLOAT_EQ(inner->ended[0].x, 5);
    EXPECT_FLOAT_EQ(inner->ended[0].y, 6);
    EXPECT_EQ(UIKitHost::deliverTap(root.get(), {-20, -20}), nullptr);
}

} // namespace
