#include <UIKit/UIImageView.h>

UIImageView::UIImageView(UIImage* image) : m_image(image) {
    setUserInteractionEnabled(false);
    if (image)
        setFrame({{0, 0}, image->size()});
}
