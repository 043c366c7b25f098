#include <UIKit/UIView+Host.h>

#include <vector>

namespace UIKitHost {

UIView* hitTest(UIView* root, CGPoint point) {
    if (!root || root->isHidden())
        return nullptr;
    // Walk in drawing order (a view, then each subtree in order) and keep the last view
    // that takes the point: that is the frontmost. An explicit stack: any depth works.
    struct Visit {
        UIView* view;
        CGPoint origin; // the view's top-left corner in root's coordinates
    };
    UIView* found = nullptr;
    std::vector<Visit> stack{{root, {0, 0}}};
    while (!stack.empty()) {
        Visit visit = stack.back();
        stack.pop_back();
        CGRect rect{visit.origin, visit.view->frame().size};
        if (visit.view->takesTouches() && CGRectContainsPoint(rect, point))
            found = visit.view;
        const auto& children = visit.view->subviews();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            UIView* child = it->get();
            if (child->isHidden())
                continue;
            CGPoint origin{visit.origin.x + child->frame().origin.x,
                           visit.origin.y + child->frame().origin.y};
            stack.push_back({child, origin});
        }
    }
    return found;
}

CGPoint convertPointFromRoot(const UIView* root, const UIView* view, CGPoint point) {
    for (const UIView* v = view; v && v != root; v = v->superview()) {
        point.x -= v->frame().origin.x;
        point.y -= v->frame().origin.y;
    }
    return point;
}

UIView* deliverTap(UIView* root, CGPoint point) {
    Ref<UIView> target(hitTest(root, point));
    if (!target)
        return nullptr;
    // The touch stays with its view even if an action takes the view out of the tree.
    CGPoint local = convertPointFromRoot(root, target.get(), point);
    target->touchesBegan(local);
    target->touchesEnded(local);
    return target.get();
}

} // namespace UIKitHost
