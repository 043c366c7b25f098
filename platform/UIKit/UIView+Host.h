#pragma once

// What a host does with a view tree: deliver a touch, dump it. Plug-ins do not include this.

#include <UIKit/UIView.h>

#include <functional>
#include <string>

namespace UIKitHost {

// Called after a view's look changed: its text, colours, alignment, hidden flag, frame,
// picture, highlight, or its list of subviews (told to the parent). Setting a value a view
// already has tells nothing. One observer for the process (the host that draws); an empty
// function removes it. The observer must not change views itself.
void setChangeObserver(std::function<void(const UIView* view)> observer);

// The frontmost view whose frame holds the point (in root's own coordinates) and that takes
// touches. Later subviews lie in front of earlier ones and of their parent; a hidden view
// and its subtree take none; a view's frame counts even where it lies outside its parent,
// since nothing clips. Null when no view takes the point.
UIView* hitTest(UIView* root, CGPoint point);

// A touch that begins and ends at the point, given to hitTest's view in that view's own
// coordinates. Answers the view it went to, or null; the tap holds that view while it runs,
// so if its action let go of the view the answer is only fit for comparing.
UIView* deliverTap(UIView* root, CGPoint point);

// The point in root's coordinates expressed in the coordinates of view, a descendant of root.
CGPoint convertPointFromRoot(const UIView* root, const UIView* view, CGPoint point);

// The view tree as one line of JSON: every view gives "class", "frame" ([x,y,w,h]),
// "hidden" and "subviews"; a label adds "text", "textColor", "backgroundColor" and
// "textAlignment"; an image view and a button add "image" (the picture's phone path).
// Unset values are null; a null root is "null". Any depth dumps (no recursion).
std::string dumpJSON(const UIView* root);

// A float as a JSON number, the shortest text that reads back as the same float ("110", "-4",
// "0.5"); JSON has no infinity or NaN, so those are "null".
std::string jsonNumber(float value);

} // namespace UIKitHost
