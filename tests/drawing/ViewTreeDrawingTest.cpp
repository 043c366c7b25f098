#include "DrawingTestSupport.h"

#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>

#include <cmath>
#include <functional>
#include <limits>

namespace test {
namespace {

UIColor* red() {
    static Ref<UIColor> colour = UIColor::colorWithRed(1, 0, 0, 1);
    return colour.get();
}
UIColor* green() {
    static Ref<UIColor> colour = UIColor::colorWithRed(0, 1, 0, 1);
    return colour.get();
}
UIColor* blue() {
    static Ref<UIColor> colour = UIColor::colorWithRed(0, 0, 1, 1);
    return colour.get();
}

bool isColour(Pixel pixel, int r, int g, int b) {
    return pixel.alpha == 255 && std::abs(pixel.red - r) < 8 && std::abs(pixel.green - g) < 8 &&
           std::abs(pixel.blue - b) < 8;
}

using ViewTreeDrawing = DrawingTest;

TEST_F(ViewTreeDrawing, PictureIsTheContainerAtTheScaleWithItsOriginIgnored) {
    struct Case {
        double scale;
        int width, height;
    } cases[] = {{1, 316, 110}, {2, 632, 220}, {1.5, 474, 165}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale);
        Ref<UIView> container = makeContainer(); // at x = 2 in its host
        addFilledView(*container, CGRectMake(0, 0, 10, 10), red());
        auto picture = draw(*container, c.scale);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), c.width);
        EXPECT_EQ(picture->height(), c.height);
        EXPECT_TRUE(isColour(picture->at(0, 0), 255, 0, 0));
        const int edge = int(10 * c.scale);
        EXPECT_TRUE(isColour(picture->at(edge - 1, edge - 1), 255, 0, 0));
        EXPECT_EQ(picture->at(edge + 1, edge + 1).alpha, 0);
    }
}

TEST_F(ViewTreeDrawing, WhatDrawsNothingLeavesThePictureTransparent) {
    struct Case {
        const char* name;
        std::function<void(UIView&)> build;
    } cases[] = {
        {"an empty container", [](UIView&) {}},
        {"a hidden label",
         [](UIView& c) { addLabel(c, CGRectMake(0, 7, 316, 21), "Hidden")->setHidden(true); }},
        {"a label inside a hidden view",
         [](UIView& c) {
             UIView* parent = addFilledView(c, CGRectMake(0, 0, 316, 110), nullptr);
             addLabel(*parent, CGRectMake(0, 7, 316, 21), "Inside");
             addFilledView(*parent, CGRectMake(0, 50, 316, 20), red());
             parent->setHidden(true);
         }},
        {"a label whose text was never set",
         [](UIView& c) { addLabel(c, CGRectMake(0, 7, 316, 21), nullptr); }},
        {"a label with the empty text",
         [](UIView& c) { addLabel(c, CGRectMake(0, 7, 316, 21), ""); }},
        {"a clear background",
         [](UIView& c) { addFilledView(c, CGRectMake(0, 0, 316, 110), UIColor::clearColor()); }},
        {"an image view without a picture",
         [](UIView& c) {
             Ref<UIImageView> view = make<UIImageView>(nullptr);
             view->setFrame(CGRectMake(0, 0, 316, 110));
             c.addSubview(view);
         }},
        {"a button without a picture",
         [](UIView& c) {
             Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
             button->setImage(nullptr, 0);
             button->setFrame(CGRectMake(-4, 0, 66, 114));
             c.addSubview(button);
         }},
        {"a view entirely outside the container",
         [](UIView& c) { addFilledView(c, CGRectMake(316, 0, 40, 110), red()); }},
        {"a view with an empty frame",
         [](UIView& c) { addFilledView(c, CGRectMake(10, 10, 0, 0), red()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<UIView> container = makeContainer();
        c.build(*container);
        auto picture = draw(*container);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), 632);
        EXPECT_EQ(describe(picture->inkBounds()), "none");
    }
}

TEST_F(ViewTreeDrawing, HiddenContainerDrawsNothing) {
    Ref<UIView> container = makeContainer();
    container->setBackgroundColor(red());
    container->setHidden(true);
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    EXPECT_EQ(describe(picture->inkBounds()), "none");
}

TEST_F(ViewTreeDrawing, BackToFrontDepthFirstWithOffsetsAddingUp) {
    Ref<UIView> container = makeContainer();
    container->setBackgroundColor(UIColor::blackColor());
    UIView* back = addFilledView(*container, CGRectMake(10, 10, 100, 50), red());
    // The child of the back view lies at (20, 20) in the container, and goes before the
    // front sibling that is added after its parent.
    addFilledView(*back, CGRectMake(10, 10, 40, 20), blue());
    addFilledView(*container, CGRectMake(40, 15, 100, 10), green());

    auto picture = draw(*container, 1);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(isColour(picture->at(5, 5), 0, 0, 0));     // the container's own colour
    EXPECT_TRUE(isColour(picture->at(12, 50), 255, 0, 0)); // back view alone
    EXPECT_TRUE(isColour(picture->at(25, 35), 0, 0, 255)); // its child, offset by both
    EXPECT_TRUE(isColour(picture->at(45, 20), 0, 255, 0)); // front sibling over the child
    EXPECT_TRUE(isColour(picture->at(120, 20), 0, 255, 0));
    EXPECT_TRUE(isColour(picture->at(55, 45), 255, 0, 0)); // just past the child
}

TEST_F(ViewTreeDrawing, WhatLiesOutsideTheContainerIsCutOff) {
    Ref<UIView> container = makeContainer();
    // Like the refresh button: 4 points left of the container and 4 points taller.
    addFilledView(*container, CGRectMake(-4, 0, 66, 114), red());
    addFilledView(*container, CGRectMake(300, 100, 50, 50), green());
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 632);
    EXPECT_EQ(picture->height(), 220);
    EXPECT_TRUE(isColour(picture->at(0, 0), 255, 0, 0));
    EXPECT_TRUE(isColour(picture->at(0, 219), 255, 0, 0));
    EXPECT_TRUE(isColour(picture->at(123, 100), 255, 0, 0)); // to 62 points: 66 - 4
    EXPECT_EQ(picture->at(124, 100).alpha, 0);
    EXPECT_TRUE(isColour(picture->at(631, 219), 0, 255, 0));
    EXPECT_TRUE(isColour(picture->at(600, 200), 0, 255, 0));
}

TEST_F(ViewTreeDrawing, AViewWithAFrameOfNoNumberIsSkippedAndTheRestDrawn) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Ref<UIView> container = makeContainer();
    addFilledView(*container, CGRectMake(nan, 0, 10, 10), red());
    addLabel(*container, CGRectMake(0, 0, inf, 21), "Nowhere");
    addFilledView(*container, CGRectMake(100, 50, 10, 10), green());
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    EXPECT_EQ(describe(picture->inkBounds()), "200,100 20x20");
}

TEST_F(ViewTreeDrawing, ATreeOfAnyDepthIsDrawn) {
    Ref<UIView> container = makeContainer();
    UIView* parent = container.get();
    for (int depth = 0; depth < 20000; ++depth)
        parent = addFilledView(*parent, CGRectMake(0, 0, 316, 110), nullptr);
    addFilledView(*parent, CGRectMake(1, 1, 1, 1), red());
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    EXPECT_EQ(describe(picture->inkBounds()), "2,2 2x2");
}

} // namespace
} // namespace test
