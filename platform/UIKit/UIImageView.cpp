#include <UIKit/UIImageView.h>

UIImageView::UIImageView(UIImage* image) : m_image(image) {
    setUserInteractionEnabled(false);
    if (image)
        setFrame({{0, 0}, image->size()});
}

void UIImageView::setImage(UIImage* image) {
    if (m_image.get() == image)
        return;
    m_image = image;
    didChange();
}
