#pragma once

#include <UIKit/UIImage.h>
#include <UIKit/UIView.h>

// Shows a picture scaled to fill its frame. Takes no touches unless told to.
class UIImageView : public UIView {
public:
    // The frame is the picture's size in points at (0, 0), or all zero without a picture.
    explicit UIImageView(UIImage* image = nullptr);

    const char* className() const override { return "UIImageView"; }

    // Retained; changing the picture keeps the frame.
    UIImage* image() const { return m_image.get(); }
    void setImage(UIImage* image);

private:
    Ref<UIImage> m_image;
};
