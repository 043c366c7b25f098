// How a host learns that a view looks different: one observer, told after each change.
#include <UIKit/UIView+Host.h>

#include <utility>

namespace {

std::function<void(const UIView*)>& changeObserver() {
    static std::function<void(const UIView*)> observer;
    return observer;
}

} // namespace

void UIView::didChange() const {
    // A copy: the observer may replace itself.
    if (auto observer = changeObserver())
        observer(this);
}

namespace UIKitHost {

void setChangeObserver(std::function<void(const UIView* view)> observer) {
    changeObserver() = std::move(observer);
}

} // namespace UIKitHost
