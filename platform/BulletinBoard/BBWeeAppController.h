#pragma once

#include <Foundation/NSObject.h>
#include <Foundation/NSURL.h>
#include <UIKit/CGGeometry.h>

#include <optional>

class UIView;

// The notification panel's widget protocol. `view` is required; every other method is
// optional, and its default answers that the widget does not implement it (false, or no
// value), so a host can tell what a widget answers, as respondsToSelector: would.
// Orientations are the platform's integer interface orientations.
class BBWeeAppController : public NSObject {
public:
    const char* className() const override { return "BBWeeAppController"; }

    // The widget's view; the controller keeps it.
    virtual UIView* view() = 0;

    virtual std::optional<float> viewHeight() { return std::nullopt; }
    virtual bool viewWillAppear() { return false; }
    virtual bool viewDidAppear() { return false; }
    virtual bool viewWillDisappear() { return false; }
    virtual bool viewDidDisappear() { return false; }
    virtual bool willRotateToInterfaceOrientation(long) { return false; }
    virtual bool willAnimateRotationToInterfaceOrientation(long) { return false; }
    virtual bool didRotateFromInterfaceOrientation(long) { return false; }
    virtual bool loadPlaceholderView() { return false; }
    virtual bool loadFullView() { return false; }
    virtual bool unloadView() { return false; }
    virtual bool clearShapshotImage() { return false; }
    virtual bool loadView() { return false; }
    // An implemented launchURL answers a value, which may itself hold no URL.
    virtual std::optional<Ref<NSURL>> launchURL() { return std::nullopt; }
    virtual std::optional<Ref<NSURL>> launchURLForTapLocation(CGPoint) { return std::nullopt; }

protected:
    // Defined in the platform library: the type's one home, so dynamic_cast works across
    // the host and every plug-in.
    ~BBWeeAppController() override;
};
