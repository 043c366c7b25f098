#include <UIKit/UIView.h>

#include <algorithm>

UIView::~UIView() {
    // A child that someone else still holds outlives us: it must not point back here.
    for (const Ref<UIView>& child : m_subviews)
        child->m_superview = nullptr;
}

void UIView::setFrame(CGRect frame) {
    if (CGRectEqualToRect(m_frame, frame))
        return;
    m_frame = frame;
    didChange();
}

void UIView::setHidden(bool hidden) {
    if (m_hidden == hidden)
        return;
    m_hidden = hidden;
    didChange();
}

void UIView::setBackgroundColor(UIColor* color) {
    if (m_backgroundColor.get() == color)
        return;
    m_backgroundColor = color;
    didChange();
}

bool UIView::isDescendantOfView(const UIView* view) const {
    for (const UIView* v = this; v; v = v->m_superview) {
        if (v == view)
            return true;
    }
    return false;
}

void UIView::addSubview(UIView* view) {
    if (!view || isDescendantOfView(view))
        return;
    Ref<UIView> keep(view); // the old parent may hold its last reference
    view->removeFromSuperview();
    view->m_superview = this;
    m_subviews.push_back(std::move(keep));
    didChange();
}

void UIView::removeFromSuperview() {
    UIView* parent = std::exchange(m_superview, nullptr);
    if (!parent)
        return;
    auto it = std::find_if(parent->m_subviews.begin(), parent->m_subviews.end(),
                           [this](const Ref<UIView>& child) { return child.get() == this; });
    if (it == parent->m_subviews.end())
        return;
    // Take the parent's hold out of the list before letting it go, so the list is whole
    // when this view is freed.
    Ref<UIView> held = std::move(*it);
    parent->m_subviews.erase(it);
    parent->didChange();
}

void UIView::touchesBegan(CGPoint) {}
void UIView::touchesEnded(CGPoint) {}
