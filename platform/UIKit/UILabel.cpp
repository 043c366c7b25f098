#include <UIKit/UILabel.h>

#include <typeinfo>

UILabel::UILabel(CGRect frame) : UIView(frame) {
    setUserInteractionEnabled(false);
}

void UILabel::setText(NSString* text) {
    if (!text || typeid(*text) == typeid(NSString))
        m_text = text; // immutable: sharing it is a copy
    else
        m_text = make<NSString>(text->UTF8String());
}
