#include "ViewTreeText.h"

#include <UIKit/UIButton.h>
#include <UIKit/UILabel.h>

#include <algorithm>

namespace ViewTreeText {

namespace {

struct Placed {
    const UIView* view;
    CGPoint origin; // in the root's coordinates
};

// Every visible view of the tree, back to front (a parent before its children), with its
// origin in the root's coordinates. An explicit stack: any depth is walked.
std::vector<Placed> visibleViews(const UIView* root) {
    std::vector<Placed> result;
    if (!root || root->isHidden())
        return result;
    std::vector<Placed> pending{{root, {0, 0}}};
    while (!pending.empty()) {
        Placed placed = pending.back();
        pending.pop_back();
        result.push_back(placed);
        const auto& children = placed.view->subviews();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const UIView* child = it->get();
            if (child->isHidden())
                continue;
            CGRect frame = child->frame();
            pending.push_back(
                {child, {placed.origin.x + frame.origin.x, placed.origin.y + frame.origin.y}});
        }
    }
    return result;
}

} // namespace

std::vector<std::string> visibleLines(const UIView* root) {
    struct Line {
        float top;
        std::string text;
    };
    std::vector<Line> lines;
    for (const Placed& placed : visibleViews(root)) {
        const UILabel* label = NSCast<UILabel>(placed.view);
        if (!label || !label->text() || label->text()->UTF8String().empty())
            continue;
        lines.push_back({placed.origin.y, label->text()->UTF8String()});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.top < b.top; });
    std::vector<std::string> texts;
    for (Line& line : lines)
        texts.push_back(std::move(line.text));
    return texts;
}

std::optional<CGPoint> centreOfFirstButton(const UIView* root) {
    for (const Placed& placed : visibleViews(root)) {
        if (NSCast<UIButton>(placed.view)) {
            CGSize size = placed.view->frame().size;
            return CGPoint{placed.origin.x + size.width / 2, placed.origin.y + size.height / 2};
        }
    }
    return std::nullopt;
}

} // namespace ViewTreeText
