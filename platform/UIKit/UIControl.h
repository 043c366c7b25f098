#pragma once

#include <UIKit/UIView.h>

#include <string>
#include <string_view>
#include <vector>

enum UIControlEvents : unsigned long {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchDownRepeat = 1 << 1,
    UIControlEventTouchDragInside = 1 << 2,
    UIControlEventTouchDragOutside = 1 << 3,
    UIControlEventTouchDragEnter = 1 << 4,
    UIControlEventTouchDragExit = 1 << 5,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventTouchUpOutside = 1 << 7,
    UIControlEventTouchCancel = 1 << 8,
    UIControlEventValueChanged = 1 << 12,
    UIControlEventAllTouchEvents = 0x00000FFF,
    UIControlEventAllEvents = 0xFFFFFFFF,
};

enum UIControlState : unsigned long {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1 << 0,
    UIControlStateDisabled = 1 << 1,
    UIControlStateSelected = 1 << 2,
};

// A view that turns touches into actions. Target-action is data: a target, a selector's
// text and a mask of control events.
class UIControl : public UIView {
public:
    explicit UIControl(CGRect frame = {}) : UIView(frame) {}

    const char* className() const override { return "UIControl"; }

    // The target is NOT retained: a control does not own its target, which must stay alive
    // while it is registered (or remove itself). Adding a target and action that are already
    // registered adds the events to that entry. A null target or an empty action does nothing.
    void addTarget(NSObject* target, std::string_view action, unsigned long controlEvents);
    // Takes the events off each matching entry (a null target matches every target, an
    // empty action every action); an entry left with no events goes.
    void removeTarget(NSObject* target, std::string_view action, unsigned long controlEvents);
    // Sends every action whose mask shares an event with `events`, in the order added, as
    // target->performSelector(action, this). A target that does not answer the selector is
    // skipped. Actions removed by an earlier action in the same round are not sent.
    void sendActionsForControlEvents(unsigned long events);

    // The events registered for the target and action, 0 when none.
    unsigned long controlEventsForTarget(const NSObject* target, std::string_view action) const;
    std::size_t actionCount() const { return m_actions.size(); }

    // Highlighted while a touch is down on it.
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) {
        if (m_highlighted == highlighted)
            return;
        m_highlighted = highlighted;
        didChange(); // a button shows its highlighted picture
    }
    unsigned long state() const {
        return m_highlighted ? UIControlStateHighlighted : UIControlStateNormal;
    }

    // Down: TouchDown. Up: TouchUpInside when the point lies in the control's bounds,
    // else TouchUpOutside.
    void touchesBegan(CGPoint pointInSelf) override;
    void touchesEnded(CGPoint pointInSelf) override;

private:
    struct Action {
        NSObject* target; // unretained, see addTarget
        std::string selector;
        unsigned long events;
        unsigned long serial;
    };
    std::vector<Action> m_actions;
    unsigned long m_nextSerial = 0;
    bool m_highlighted = false;
};
