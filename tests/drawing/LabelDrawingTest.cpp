#include "DrawingTestSupport.h"

#include <cmath>

namespace test {
namespace {

using LabelDrawing = DrawingTest;

float centreY(CGRect rect) {
    return rect.origin.y + rect.size.height / 2;
}
float centreX(CGRect rect) {
    return rect.origin.x + rect.size.width / 2;
}
float right(CGRect rect) {
    return rect.origin.x + rect.size.width;
}

TEST_F(LabelDrawing, TextLiesInItsLabelsRowsAndNowhereElse) {
    // Three lines with empty rows between them; capitals and digits only, so the ink lies
    // between the line's baseline and the capitals' height, without descenders.
    const CGRect frames[] = {CGRectMake(0, 7, 316, 21), CGRectMake(1, 45, 316, 21),
                             CGRectMake(0, 81, 316, 21)};
    Ref<UIView> container = makeContainer();
    for (CGRect frame : frames)
        addLabel(*container, frame, "HIGH 43012 EUR");
    auto picture = draw(*container);
    ASSERT_TRUE(picture);

    float previousBottom = 0;
    for (CGRect frame : frames) {
        SCOPED_TRACE(testing::Message() << "line at y " << frame.origin.y);
        auto ink = inkBoundsIn(*picture, frame);
        ASSERT_TRUE(ink);
        // Centred vertically.
        EXPECT_NEAR(centreY(*ink) / 2, centreY(frame), 1);
        EXPECT_FALSE(hasInkIn(*picture,
                              CGRectMake(0, previousBottom, 316, frame.origin.y - previousBottom)));
        previousBottom = frame.origin.y + frame.size.height;
    }
    EXPECT_FALSE(hasInkIn(*picture, CGRectMake(0, previousBottom, 316, 110 - previousBottom)));
}

TEST_F(LabelDrawing, TextIsSeventeenPointsAtEveryScale) {
    // A capital H of Liberation Sans is 0.688 of the font size tall: 11.7 points.
    for (double scale : {1.0, 2.0, 3.0}) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        Ref<UIView> container = makeContainer();
        addLabel(*container, CGRectMake(0, 40, 316, 21), "HHH");
        auto picture = draw(*container, scale);
        ASSERT_TRUE(picture);
        auto ink = picture->inkBounds();
        ASSERT_TRUE(ink);
        EXPECT_NEAR(ink->size.height / scale, 11.7, 1.0);
    }
}

TEST_F(LabelDrawing, TextIsAlignedAsTheLabelSays) {
    const CGRect frame = CGRectMake(20, 40, 200, 21);
    struct Case {
        NSTextAlignment alignment;
        const char* name;
    } cases[] = {{NSTextAlignmentLeft, "left"},
                 {NSTextAlignmentCenter, "centre"},
                 {NSTextAlignmentRight, "right"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<UIView> container = makeContainer();
        addLabel(*container, frame, "Low: 42", c.alignment);
        auto picture = draw(*container);
        ASSERT_TRUE(picture);
        auto ink = picture->inkBounds();
        ASSERT_TRUE(ink);
        const float inkLeft = ink->origin.x / 2, inkRight = right(*ink) / 2;
        EXPECT_LT(inkRight - inkLeft, 80); // a short text: far narrower than its frame
        switch (c.alignment) {
        case NSTextAlignmentLeft:
            EXPECT_NEAR(inkLeft, frame.origin.x, 3);
            break;
        case NSTextAlignmentCenter:
            EXPECT_NEAR((inkLeft + inkRight) / 2, centreX(frame), 2);
            break;
        case NSTextAlignmentRight:
            EXPECT_NEAR(inkRight, right(frame), 3);
            break;
        }
    }
}

TEST_F(LabelDrawing, ATextTooWideIsCutAtTheTailWithinItsFrame) {
    const CGRect frame = CGRectMake(20, 40, 200, 21);
    const char* longText = "Last price: 123,456,789,012,345.67 Swiss francs and ever more / BTC";
    for (NSTextAlignment alignment :
         {NSTextAlignmentLeft, NSTextAlignmentCenter, NSTextAlignmentRight}) {
        SCOPED_TRACE(testing::Message() << "alignment " << alignment);
        Ref<UIView> container = makeContainer();
        addLabel(*container, frame, longText, alignment);
        auto picture = draw(*container);
        ASSERT_TRUE(picture);
        auto ink = picture->inkBounds();
        ASSERT_TRUE(ink);
        // Nothing beyond the frame; the line starts at its left and the "…" ends near its right.
        EXPECT_GE(ink->origin.x / 2, frame.origin.x);
        EXPECT_LE(right(*ink) / 2, right(frame));
        EXPECT_NEAR(ink->origin.x / 2, frame.origin.x, 3);
        EXPECT_GT(right(*ink) / 2, right(frame) - 12);
        EXPECT_LT(ink->size.height / 2, 21); // still one line
    }
}

TEST_F(LabelDrawing, LineBreaksInTheTextStayOnOneLine) {
    Ref<UIView> container = makeContainer();
    addLabel(*container, CGRectMake(0, 40, 316, 21), "FIRST\nSECOND\nTHIRD");
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    auto ink = picture->inkBounds();
    ASSERT_TRUE(ink);
    EXPECT_LT(ink->size.height / 2, 14);
    EXPECT_GE(ink->origin.y / 2, 40);
    EXPECT_LE((ink->origin.y + ink->size.height) / 2, 61);
}

TEST_F(LabelDrawing, BackgroundColourLiesUnderTheText) {
    Ref<UIColor> blue = UIColor::colorWithRed(0, 0, 1, 1);
    Ref<UIView> container = makeContainer();
    UILabel* label = addLabel(*container, CGRectMake(10, 40, 100, 21), "HHHH");
    label->setBackgroundColor(blue);
    auto picture = draw(*container, 1);
    ASSERT_TRUE(picture);
    EXPECT_EQ(describe(picture->inkBounds()), "10,40 100x21");
    Pixel corner = picture->at(10, 40);
    EXPECT_EQ(corner.blue, 255);
    EXPECT_EQ(corner.red, 0);
    // The text's strokes are white over the blue.
    Pixel stroke = picture->at(0, 0);
    for (int x = 10; x < 110 && stroke.red < 250; ++x)
        stroke = picture->at(x, 50);
    EXPECT_GE(stroke.red, 250);
    EXPECT_GE(stroke.green, 250);
}

TEST_F(LabelDrawing, TextWithoutAColourIsBlack) {
    Ref<UIView> container = makeContainer();
    addLabel(*container, CGRectMake(0, 40, 316, 21), "HHHH", NSTextAlignmentCenter, nullptr);
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    auto ink = picture->inkBounds();
    ASSERT_TRUE(ink);
    Pixel middle = picture->at(int(ink->origin.x + 1), int(centreY(*ink)));
    EXPECT_EQ(middle.alpha, 255);
    EXPECT_LT(middle.red + middle.green + middle.blue, 30);
}

TEST_F(LabelDrawing, TextThatIsNotUTF8IsStillDrawn) {
    Ref<UIView> container = makeContainer();
    addLabel(*container, CGRectMake(0, 40, 316, 21), "Price \xff\xfe 42");
    auto picture = draw(*container);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->inkBounds());
}

} // namespace
} // namespace test
