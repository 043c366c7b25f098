#pragma once

#include <Foundation/NSString.h>
#include <UIKit/UIView.h>

enum NSTextAlignment : long {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentCenter = 1,
    NSTextAlignmentRight = 2,
};

// One line of text. Takes no touches unless told to.
class UILabel : public UIView {
public:
    explicit UILabel(CGRect frame = {});

    const char* className() const override { return "UILabel"; }

    // Null until set. setText keeps the text's value as it is now: later edits of a
    // mutable string do not show.
    NSString* text() const { return m_text.get(); }
    void setText(NSString* text);

    // Retained; null until set (drawn as black).
    UIColor* textColor() const { return m_textColor.get(); }
    void setTextColor(UIColor* color);

    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment);

private:
    Ref<NSString> m_text;
    Ref<UIColor> m_textColor;
    NSTextAlignment m_textAlignment = NSTextAlignmentLeft;
};
