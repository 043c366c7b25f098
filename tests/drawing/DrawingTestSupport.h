#pragma once

// Building small view trees and drawing them into pictures for the drawing tests.

#include "Picture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <Drawing/DrawingLoader.h>
#include <UIKit/UILabel.h>
#include <UIKit/UIView.h>

#include <optional>
#include <string>

namespace test {

// The widget's container: 316 by 110 points, placed 2 points in from its host's left.
inline Ref<UIView> makeContainer(float width = 316, float height = 110) {
    return make<UIView>(CGRectMake(2, 0, width, height));
}

inline UILabel* addLabel(UIView& parent, CGRect frame, const char* text,
                         NSTextAlignment alignment = NSTextAlignmentCenter,
                         UIColor* colour = UIColor::whiteColor()) {
    Ref<UILabel> label = make<UILabel>(frame);
    if (text)
        label->setText(NSString::stringWithUTF8String(text).get());
    label->setTextColor(colour);
    label->setTextAlignment(alignment);
    parent.addSubview(label);
    return label.get();
}

inline UIView* addFilledView(UIView& parent, CGRect frame, UIColor* colour) {
    Ref<UIView> view = make<UIView>(frame);
    view->setBackgroundColor(colour);
    parent.addSubview(view);
    return view.get();
}

// A rectangle in points as pixels at `scale`.
struct PixelRect {
    int x0, y0, x1, y1;
};
inline PixelRect toPixels(CGRect points, double scale = 2) {
    return {int(points.origin.x * scale), int(points.origin.y * scale),
            int((points.origin.x + points.size.width) * scale),
            int((points.origin.y + points.size.height) * scale)};
}
inline bool hasInkIn(const Picture& picture, CGRect points, double scale = 2) {
    PixelRect r = toPixels(points, scale);
    return picture.hasInk(r.x0, r.y0, r.x1, r.y1);
}
inline std::optional<CGRect> inkBoundsIn(const Picture& picture, CGRect points, double scale = 2) {
    PixelRect r = toPixels(points, scale);
    return picture.inkBounds(r.x0, r.y0, r.x1, r.y1);
}

// Draws through the host's loader into a file of its own and reads the file back.
class DrawingTest : public ::testing::Test {
protected:
    std::optional<Picture> draw(const UIView& container, double scale = 2) {
        std::string error;
        std::filesystem::path file = m_folder.path() / "picture.png";
        if (!Drawing::drawPNG(&container, scale, file.string(), &error)) {
            ADD_FAILURE() << "drawing failed: " << error;
            return std::nullopt;
        }
        return Picture::read(file);
    }

    const std::filesystem::path& folder() const { return m_folder.path(); }

private:
    TempDir m_folder;
};

} // namespace test
