#pragma once

#include <Foundation/NSObject.h>
#include <UIKit/CGGeometry.h>
#include <UIKit/UIColor.h>

#include <vector>

// A rectangle in its parent's coordinates, with ordered subviews: the first at the back,
// each later one in front of those before it. The parent holds its children; a child
// keeps a plain pointer back to its parent. Nothing draws or clips here.
class UIView : public NSObject {
public:
    explicit UIView(CGRect frame = {}) : m_frame(frame) {}

    const char* className() const override { return "UIView"; }

    CGRect frame() const { return m_frame; }
    void setFrame(CGRect frame);
    // The view's own rectangle: its frame's size at (0, 0).
    CGRect bounds() const { return {{0, 0}, m_frame.size}; }

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);

    // Retained; null until set.
    UIColor* backgroundColor() const { return m_backgroundColor.get(); }
    void setBackgroundColor(UIColor* color);

    // The parent retains the child. A view that already has a parent is moved (to the
    // front, also when the parent stays the same). Adding null, the view itself or one of
    // its ancestors (which would make a cycle) does nothing.
    void addSubview(UIView* view);
    // The parent lets go of the view: this may be its last hold, so the caller must not
    // touch the view afterwards unless it holds it.
    void removeFromSuperview();
    const std::vector<Ref<UIView>>& subviews() const { return m_subviews; }
    UIView* superview() const { return m_superview; }
    bool isDescendantOfView(const UIView* view) const;

    // Whether touches are given to this view: yes for a plain view, no for labels and image
    // views, unless set otherwise.
    virtual bool takesTouches() const { return m_userInteractionEnabled; }
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }

    // A touch at a point in this view's own coordinates. A plain view ignores it.
    virtual void touchesBegan(CGPoint pointInSelf);
    virtual void touchesEnded(CGPoint pointInSelf);

protected:
    ~UIView() override;

    // Tells the host that this view looks different now (see UIKitHost::setChangeObserver).
    void didChange() const;

private:
    CGRect m_frame;
    bool m_hidden = false;
    bool m_userInteractionEnabled = true;
    Ref<UIColor> m_backgroundColor;
    std::vector<Ref<UIView>> m_subviews;
    UIView* m_superview = nullptr;
};
