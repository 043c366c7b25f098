#include <UIKit/UILabel.h>

#include <typeinfo>

UILabel::UILabel(CGRect frame) : UIView(frame) {
    setUserInteractionEnabled(false);
}

void UILabel::setText(NSString* text) {
    const bool same =
        text && m_text ? text->UTF8String() == m_text->UTF8String() : !text && !m_text;
    if (!text || typeid(*text) == typeid(NSString))
        m_text = text; // immutable: sharing it is a copy
    else
        m_text = make<NSString>(text->UTF8String());
    if (!same)
        didChange();
}

void UILabel::setTextColor(UIColor* color) {
    if (m_textColor.get() == color)
        return;
    m_textColor = color;
    didChange();
}

void UILabel::setTextAlignment(NSTextAlignment alignment) {
    if (m_textAlignment == alignment)
        return;
    m_textAlignment = alignment;
    didChange();
}
