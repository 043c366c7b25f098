#pragma once

#include <UIKit/UIView.h>

#include <optional>
#include <string>
#include <vector>

// What the host reads off a view tree for a person: its lines of text, and where to tap.
namespace ViewTreeText {

// The non-empty texts of the visible labels (neither they nor an ancestor hidden), one a
// line, by the top of their frame in the root's coordinates; labels with the same top in
// back-to-front order.
std::vector<std::string> visibleLines(const UIView* root);

// The centre, in the root's coordinates, of the first button of the tree (back to front).
std::optional<CGPoint> centreOfFirstButton(const UIView* root);

} // namespace ViewTreeText
