#include "ViewTreePainter.h"

#include "ImagePainter.h"
#include "LabelPainter.h"

#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>
#include <UIKit/UILabel.h>

#include <cmath>
#include <vector>

namespace Drawing {

namespace {

bool isFinite(CGRect rect) {
    return std::isfinite(rect.origin.x) && std::isfinite(rect.origin.y) &&
           std::isfinite(rect.size.width) && std::isfinite(rect.size.height);
}

void paintView(cairo_t* cr, const UIView& view, CGRect frame, double scale) {
    if (const UIColor* colour = view.backgroundColor()) {
        cairo_set_source_rgba(cr, colour->red(), colour->green(), colour->blue(), colour->alpha());
        cairo_rectangle(cr, frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
        cairo_fill(cr);
    }
    if (const auto* imageView = NSCast<UIImageView>(&view))
        paintImage(cr, imageView->image(), frame, scale);
    else if (const auto* button = NSCast<UIButton>(&view))
        paintImage(cr, button->currentImage(), frame, scale);
    else if (const auto* label = NSCast<UILabel>(&view))
        paintLabelText(cr, *label, frame);
}

} // namespace

void paintViewTree(cairo_t* cr, const UIView& container, double scale) {
    // Depth first without recursion, so no depth of tree can run out of stack. Each entry
    // is a view and its parent's origin in the container's coordinates.
    struct Pending {
        const UIView* view;
        double parentX, parentY;
    };
    std::vector<Pending> pending;
    CGSize size = container.frame().size;
    if (!isFinite(container.frame()) || container.isHidden())
        return;
    paintView(cr, container, CGRectMake(0, 0, size.width, size.height), scale);
    auto pushChildren = [&pending](const UIView& parent, double x, double y) {
        const auto& children = parent.subviews();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({child->get(), x, y});
    };
    pushChildren(container, 0, 0);
    while (!pending.empty()) {
        Pending next = pending.back();
        pending.pop_back();
        const UIView& view = *next.view;
        CGRect frame = view.frame();
        if (view.isHidden() || !isFinite(frame))
            continue;
        double x = next.parentX + frame.origin.x, y = next.parentY + frame.origin.y;
        paintView(cr, view, CGRectMake(float(x), float(y), frame.size.width, frame.size.height),
                  scale);
        pushChildren(view, x, y);
    }
}

} // namespace Drawing
