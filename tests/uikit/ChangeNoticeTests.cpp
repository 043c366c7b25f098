// The change notice a drawing host redraws on: told once for each change a person could see,
// never for a value set again.
#include <Foundation/DeviceRoot.h>
#include <UIKit/UIKit.h>
#include <UIKit/UIView+Host.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Records every view the host is told about while it lives.
class Notices {
public:
    Notices() {
        UIKitHost::setChangeObserver([this](const UIView* view) { seen.push_back(view); });
    }
    ~Notices() { UIKitHost::setChangeObserver(nullptr); }
    std::vector<const UIView*> seen;
};

TEST(ChangeNotice, EachChangeTellsOnceAndTheSameValueAgainTellsNothing) {
    DeviceRoot::set((test::sourceDir() / "widget").string());
    Ref<UIImage> picture = UIImage::imageWithContentsOfFile("/refresh.png");
    ASSERT_TRUE(picture);
    Ref<UIColor> red = UIColor::colorWithRed(1, 0, 0, 1);
    Ref<UIImageView> imageView = adopt(new UIImageView);
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
    Ref<UILabel> label = adopt(new UILabel);

    const struct {
        const char* name;
        UIView* view;
        std::function<void()> change;
    } cases[] = {
        {"text", label.get(), [&] { label->setText(NSString::stringWithUTF8String("High").get()); }},
        {"text from a mutable string", label.get(),
         [&] { label->setText(adopt(new NSMutableString("Low")).get()); }},
        {"no text", label.get(), [&] { label->setText(nullptr); }},
        {"text colour", label.get(), [&] { label->setTextColor(red.get()); }},
        {"alignment", label.get(), [&] { label->setTextAlignment(NSTextAlignmentRight); }},
        {"hidden", label.get(), [&] { label->setHidden(true); }},
        {"frame", label.get(), [&] { label->setFrame(CGRectMake(1, 2, 3, 4)); }},
        {"background", label.get(), [&] { label->setBackgroundColor(red.get()); }},
        {"picture", imageView.get(), [&] { imageView->setImage(picture.get()); }},
        {"button picture", button.get(),
         [&] { button->setImage(picture.get(), UIControlStateNormal); }},
        {"highlight", button.get(), [&] { button->setHighlighted(true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Notices notices;
        c.change();
        EXPECT_EQ(notices.seen, std::vector<const UIView*>{c.view});
        c.change();
        EXPECT_EQ(notices.seen.size(), 1u) << "the same value again";
    }
}

TEST(ChangeNotice, SubviewsComingAndGoingTellTheParent) {
    Ref<UIView> parent = adopt(new UIView);
    Ref<UIView> child = adopt(new UIView);
    Notices notices;
    parent->addSubview(child.get());
    child->removeFromSuperview();
    EXPECT_EQ(notices.seen, (std::vector<const UIView*>{parent.get(), parent.get()}));
}

TEST(ChangeNotice, ATapOnAButtonTellsOfItsHighlightComingAndGoing) {
    Ref<UIView> root = adopt(new UIView(CGRectMake(0, 0, 100, 100)));
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(10, 10, 20, 20));
    root->addSubview(button.get());
    Notices notices;
    UIKitHost::deliverTap(root.get(), CGPoint{15, 15});
    EXPECT_EQ(notices.seen, (std::vector<const UIView*>{button.get(), button.get()}));
    EXPECT_FALSE(button->isHighlighted());
}

} // namespace
