// The widget as the panel shows it: its pictures, five lines of prices and the button.

#include "DrawingTestSupport.h"

#include <Foundation/DeviceRoot.h>
#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace test {
namespace {

constexpr const char* kBundle = "/System/Library/WeeAppPlugins/Marrowfin.bundle/";

struct Line {
    CGRect frame;
    const char* text;
};
constexpr Line kLines[] = {
    {{{0, 7}, {316, 21}}, "Last price: $43,012.55 / BTC"},
    {{{1, 25}, {316, 21}}, "High: $43,950.00 / BTC"},
    {{{1, 43}, {316, 21}}, "Low: $41,870.12 / BTC"},
    {{{0, 61}, {316, 21}}, "Volume: 18234 BTC (24h)"},
    {{{0, 81}, {316, 21}}, "Average: $42,917.40 / BTC"},
};

// The widget's view tree, built as the widget builds it, with the pictures of widget/.
class WidgetPicture : public DrawingTest {
protected:
    void SetUp() override {
        const std::filesystem::path bundle = m_root.path() / (kBundle + 1);
        std::filesystem::create_directories(bundle);
        for (const char* name :
             {"Background.png", "Background@2x.png", "refresh.png", "refresh@2x.png"})
            std::filesystem::copy_file(sourceDir() / "widget" / name, bundle / name);
        DeviceRoot::set(m_root.str());

        m_container = makeContainer();
        Ref<UIImageView> background = make<UIImageView>(
            UIImage::imageWithContentsOfFile(std::string(kBundle) + "Background.png").get());
        ASSERT_TRUE(background->image());
        background->setFrame(CGRectMake(0, 0, 316, 110));
        m_container->addSubview(background);
        for (const Line& line : kLines)
            addLabel(*m_container, line.frame, line.text)
                ->setBackgroundColor(UIColor::clearColor());
        Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setImage(
            UIImage::imageWithContentsOfFile(std::string(kBundle) + "refresh.png").get(), 0);
        ASSERT_TRUE(button->currentImage());
        button->setFrame(CGRectMake(-4, 0, 66, 114));
        m_container->addSubview(button);
    }

    Ref<UIView> m_container;

private:
    TempDir m_root;
};

int brightness(Pixel pixel) {
    return (pixel.red + pixel.green + pixel.blue) / 3;
}

TEST_F(WidgetPicture, WhiteLinesStandOutOnADarkBackground) {
    auto picture = draw(*m_container);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width(), 632);
    ASSERT_EQ(picture->height(), 220);
    // Kept in the build tree for a person to look at.
    std::filesystem::copy_file(folder() / "picture.png", buildDir() / "tests" / "widget-sample.png",
                               std::filesystem::copy_options::overwrite_existing);

    // The background is dark in the middle, where the text goes: sampled between letters.
    int brightest = 0;
    for (int x = 150; x < 480; x += 3)
        brightest = std::max(brightest, brightness(picture->at(x, 214)));
    EXPECT_LT(brightest, 90);

    // Each line has white strokes within its own rows, centred across the width. The
    // measure starts right of the refresh glyph, which is as light as the text.
    for (const Line& line : kLines) {
        SCOPED_TRACE(line.text);
        PixelRect rows = toPixels(line.frame);
        int left = picture->width(), right = 0;
        for (int y = rows.y0; y < rows.y1; ++y) {
            for (int x = 2 * 44; x < picture->width(); ++x) {
                if (brightness(picture->at(x, y)) < 220)
                    continue;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        ASSERT_LT(left, right);
        EXPECT_NEAR((left + right) / 2.0 / 2, 158 + line.frame.origin.x, 3);
    }

    // The refresh glyph is light, in the middle of the button's frame.
    int light = 0;
    for (int y = 114 - 28; y < 114 + 28; ++y)
        for (int x = 58 - 28; x < 58 + 28; ++x)
            light += brightness(picture->at(x, y)) > 200;
    EXPECT_GT(light, 100);
}

} // namespace
} // namespace test
