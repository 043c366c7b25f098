#include <UIKit/UIView+Host.h>

#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>
#include <UIKit/UILabel.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace UIKitHost {
namespace {

// The shortest text that reads back as the same float ("2", "-4", "0.5"); JSON has no
// infinity or NaN, so those are null.
void appendNumber(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i);
    std::size_t length;
    uint8_t low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// A JSON string: quotes, backslashes and control characters escaped, well-formed UTF-8
// passed through, and every byte that is not part of it replaced by U+FFFD, so the line
// is always valid JSON.
void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c >= 0x80) {
            std::size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
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
        appendString(out, image->path());
    else
        out += "null";
}

// Everything of the view but its subviews, and the opening of the subview array.
void appendViewHead(std::string& out, const UIView& view) {
    out += "{\"class\":";
    appendString(out, view.className());
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
            appendString(out, text->UTF8String());
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
