#include <UIKit/UIButton.h>

Ref<UIButton> UIButton::buttonWithType(UIButtonType type) {
    return adopt(new UIButton(type));
}

void UIButton::setImage(UIImage* image, unsigned long state) {
    auto own = m_images.find(state);
    if (own == m_images.end() ? !image : own->second.get() == image)
        return;
    if (image)
        m_images[state] = image;
    else
        m_images.erase(state);
    didChange();
}

UIImage* UIButton::imageForState(unsigned long state) const {
    auto it = m_images.find(state);
    if (it == m_images.end())
        it = m_images.find(UIControlStateNormal);
    return it == m_images.end() ? nullptr : it->second.get();
}
