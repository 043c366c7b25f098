#include <UIKit/UIView+Host.h>

#include <Foundation/JSONQuote.h>
#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>
#include <UIKit/UILabel.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace UIKitHost {
namespace {

void appendNumber(std::string& out, float value) {
    out += jsonNumber(value);
}

void appendColor(std::string& out, const UIColor* color) {
    if (!color) {
        out += "null";
        return;
    }
    out += '[';
    appendNumber(out, color->red());
    out += ',';
    appendNumber(out, color->green());
    out += ',';
    appendNumber(out, color->blue());
    out += ',';
    appendNumber(out, color->alpha());
    out += ']';
}

void appendImage(std::string& out, const UIImage* image) {
    out += ",\"image\":";
    if (image)
        JSONAppendQuoted(out, image->path());
    else
        out += "null";
}

// Everything of the view but its subviews, and the opening of the subview array.
void appendViewHead(std::string& out, const UIView& view) {
    out += "{\"class\":";
    JSONAppendQuoted(out, view.className());
    const CGRect frame = view.frame();
    out += ",\"frame\":[";
    appendNumber(out, frame.origin.x);
    out += ',';
    appendNumber(out, frame.origin.y);
    out += ',';
    appendNumber(out, frame.size.width);
    out += ',';
    appendNumber(out, frame.size.height);
    out += "],\"hidden\":";
    out += view.isHidden() ? "true" : "false";

    if (const UILabel* label = NSCast<UILabel>(&view)) {
        out += ",\"text\":";
        if (const NSString* text = label->text())
            JSONAppendQuoted(out, text->UTF8String());
        else
            out += "null";
        out += ",\"textColor\":";
        appendColor(out, label->textColor());
        out += ",\"backgroundColor\":";
        appendColor(out, label->backgroundColor());
        out += ",\"textAlignment\":";
        out += std::to_string(static_cast<long>(label->textAlignment()));
    } else if (const UIImageView* imageView = NSCast<UIImageView>(&view)) {
        appendImage(out, imageView->image());
    } else if (const UIButton* button = NSCast<UIButton>(&view)) {
        appendImage(out, button->currentImage());
    }
    out += ",\"subviews\":[";
}

} // namespace

std::string jsonNumber(float value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string dumpJSON(const UIView* root) {
    if (!root)
        return "null";
    std::string out;
    struct Open {
        const UIView* view;
        std::size_t next; // index of the next subview to write
    };
    std::vector<Open> stack{{root, 0}};
    appendViewHead(out, *root);
    while (!stack.empty()) {
        Open& top = stack.back();
        const auto& children = top.view->subviews();
        if (top.next == children.size()) {
            out += "]}";
            stack.pop_back();
            continue;
        }
        if (top.next > 0)
            out += ',';
        const UIView* child = children[top.next++].get();
        appendViewHead(out, *child);
        stack.push_back({child, 0}); // `top` is not used past this point
    }
    return out;
}

} // namespace UIKitHost
