#pragma once

#include <UIKit/UIControl.h>
#include <UIKit/UIImage.h>

#include <map>

enum UIButtonType : long {
    UIButtonTypeCustom = 0,
    UIButtonTypeRoundedRect = 1,
};

// A control showing a picture per state.
class UIButton : public UIControl {
public:
    // A new button with a zero frame; the caller holds nothing beyond the returned Ref.
    static Ref<UIButton> buttonWithType(UIButtonType type);

    const char* className() const override { return "UIButton"; }

    UIButtonType buttonType() const { return m_type; }

    // Retained; null takes the state's picture away.
    void setImage(UIImage* image, unsigned long state);
    // The state's own picture, else the normal state's.
    UIImage* imageForState(unsigned long state) const;
    // The picture for the state the button is in now.
    UIImage* currentImage() const { return imageForState(state()); }

private:
    explicit UIButton(UIButtonType type) : m_type(type) {}

    UIButtonType m_type;
    std::map<unsigned long, Ref<UIImage>> m_images;
};
