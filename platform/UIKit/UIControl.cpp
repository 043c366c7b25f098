#include <UIKit/UIControl.h>

#include <algorithm>

void UIControl::addTarget(NSObject* target, std::string_view action, unsigned long controlEvents) {
    if (!target || action.empty() || controlEvents == 0)
        return;
    for (Action& entry : m_actions) {
        if (entry.target == target && entry.selector == action) {
            entry.events |= controlEvents;
            return;
        }
    }
    m_actions.push_back({target, std::string(action), controlEvents, m_nextSerial++});
}

void UIControl::removeTarget(NSObject* target, std::string_view action,
                             unsigned long controlEvents) {
    for (Action& entry : m_actions) {
        if ((!target || entry.target == target) && (action.empty() || entry.selector == action))
            entry.events &= ~controlEvents;
    }
    std::erase_if(m_actions, [](const Action& entry) { return entry.events == 0; });
}

unsigned long UIControl::controlEventsForTarget(const NSObject* target,
                                                std::string_view action) const {
    for (const Action& entry : m_actions) {
        if (entry.target == target && entry.selector == action)
            return entry.events;
    }
    return 0;
}

void UIControl::sendActionsForControlEvents(unsigned long events) {
    Ref<UIControl> keepSelf(this); // an action may remove this control from its parent
    // Work from a copy, since an action may add or remove actions; before each send, check
    // that the entry is still registered, so a target that removed itself is not reached.
    const std::vector<Action> round = m_actions;
    for (const Action& planned : round) {
        if (!(planned.events & events))
            continue;
        auto still = std::find_if(m_actions.begin(), m_actions.end(), [&](const Action& entry) {
            return entry.serial == planned.serial && (entry.events & events);
        });
        if (still == m_actions.end())
            continue;
        Ref<NSObject> keepTarget(planned.target); // alive for the length of its own action
        keepTarget->performSelector(planned.selector, this);
    }
}

void UIControl::touchesBegan(CGPoint) {
    Ref<UIControl> keepSelf(this);
    setHighlighted(true);
    sendActionsForControlEvents(UIControlEventTouchDown);
}

void UIControl::touchesEnded(CGPoint pointInSelf) {
    Ref<UIControl> keepSelf(this);
    setHighlighted(false);
    sendActionsForControlEvents(CGRectContainsPoint(bounds(), pointInSelf)
                                    ? UIControlEventTouchUpInside
                                    : UIControlEventTouchUpOutside);
}
