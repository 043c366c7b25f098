#include <UIKit/UIColor.h>

#include <Foundation/NSString.h>

namespace {

float clampComponent(float value) {
    if (!(value > 0)) // also a NaN
        return 0;
    return value < 1 ? value : 1;
}

} // namespace

UIColor::UIColor(float red, float green, float blue, float alpha)
    : m_red(clampComponent(red)), m_green(clampComponent(green)), m_blue(clampComponent(blue)),
      m_alpha(clampComponent(alpha)) {}

UIColor* UIColor::clearColor() {
    static UIColor* const color = new UIColor(0, 0, 0, 0);
    return color;
}

UIColor* UIColor::whiteColor() {
    static UIColor* const color = new UIColor(1, 1, 1, 1);
    return color;
}

UIColor* UIColor::blackColor() {
    static UIColor* const color = new UIColor(0, 0, 0, 1);
    return color;
}

Ref<UIColor> UIColor::colorWithRed(float red, float green, float blue, float alpha) {
    return adopt(new UIColor(red, green, blue, alpha));
}

std::string UIColor::description() const {
    return NSFormat("UIColor %g %g %g %g", m_red, m_green, m_blue, m_alpha);
}

bool UIColor::isEqual(const NSObject* other) const {
    const UIColor* color = NSCast<UIColor>(other);
    return color && color->m_red == m_red && color->m_green == m_green && color->m_blue == m_blue &&
           color->m_alpha == m_alpha;
}
