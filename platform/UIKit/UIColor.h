#pragma once

#include <Foundation/NSObject.h>

// A colour as red, green, blue and alpha, each from 0 to 1.
class UIColor : public NSObject {
public:
    // The shared colours live for the whole process; the caller holds nothing of them.
    static UIColor* clearColor();
    static UIColor* whiteColor();
    static UIColor* blackColor();
    // Components are clamped to 0...1 (a NaN counts as 0).
    static Ref<UIColor> colorWithRed(float red, float green, float blue, float alpha);

    const char* className() const override { return "UIColor"; }
    // "UIColor 1 1 1 1": the four components.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    float red() const { return m_red; }
    float green() const { return m_green; }
    float blue() const { return m_blue; }
    float alpha() const { return m_alpha; }

private:
    UIColor(float red, float green, float blue, float alpha);

    float m_red, m_green, m_blue, m_alpha;
};
