// The widget's view: the tree it builds, and when it builds it.
#include "WidgetFixture.h"

#include <UIKit/UIButton.h>
#include <UIKit/UIImageView.h>

namespace {

using WidgetView = WidgetFixture;

struct Expected {
    const char* className;
    CGRect frame;
    const char* text; // labels only
};

bool sameFrame(CGRect a, CGRect b) {
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}

TEST_F(WidgetView, BuildsTheTreeBackToFront) {
    device.installBundles();
    UIView* container = controller->view();
    ASSERT_NE(container, nullptr);
    EXPECT_TRUE(sameFrame(container->frame(), CGRectMake(2, 0, 316, 110)));
    EXPECT_EQ(container->backgroundColor(), nullptr);

    const Expected expected[] = {
        {"UIImageView", CGRectMake(0, 0, 316, 110), nullptr},
        {"UILabel", CGRectMake(0, 7, 316, 21), ""},
        {"UILabel", CGRectMake(1, 25, 316, 21), ""},
        {"UILabel", CGRectMake(1, 43, 316, 21), ""},
        {"UILabel", CGRectMake(1, 43, 316, 21), "Please wait"},
        {"UILabel", CGRectMake(0, 61, 316, 21), ""},
        {"UILabel", CGRectMake(0, 81, 316, 21), ""},
        {"UIButton", CGRectMake(-4, 0, 66, 114), nullptr},
    };
    const auto& subviews = container->subviews();
    ASSERT_EQ(subviews.size(), std::size(expected));
    for (std::size_t i = 0; i < subviews.size(); ++i) {
        SCOPED_TRACE("subview " + std::to_string(i));
        UIView* view = subviews[i].get();
        EXPECT_STREQ(view->className(), expected[i].className);
        EXPECT_TRUE(sameFrame(view->frame(), expected[i].frame));
        EXPECT_FALSE(view->isHidden());
        if (UILabel* label = NSCast<UILabel>(view)) {
            ASSERT_NE(label->text(), nullptr); // empty, not absent
            EXPECT_EQ(label->text()->UTF8String(), expected[i].text);
            EXPECT_EQ(label->textAlignment(), NSTextAlignmentCenter);
            EXPECT_EQ(label->backgroundColor(), UIColor::clearColor());
            EXPECT_EQ(label->textColor(), UIColor::whiteColor());
        }
    }
    // The fields point into the container, in the order of the lines.
    EXPECT_EQ(controller->getLbl(), subviews[1].get());
    EXPECT_EQ(controller->getHighLabel(), subviews[2].get());
    EXPECT_EQ(controller->getLowLabel(), subviews[3].get());
    EXPECT_EQ(controller->getLoadinglabel(), subviews[4].get());
    EXPECT_EQ(controller->getVolumeLabel(), subviews[5].get());
    EXPECT_EQ(controller->getAverageLabel(), subviews[6].get());
    // The container alone holds the labels.
    EXPECT_EQ(controller->getLbl()->retainCount(), 1u);

    auto* background = NSCast<UIImageView>(subviews[0].get());
    ASSERT_NE(background->image(), nullptr);
    EXPECT_EQ(background->image()->path(),
              "/System/Library/WeeAppPlugins/Marrowfin.bundle/Background.png");
    auto* button = NSCast<UIButton>(subviews[7].get());
    EXPECT_EQ(button->buttonType(), UIButtonTypeCustom);
    ASSERT_NE(button->imageForState(UIControlStateNormal), nullptr);
    EXPECT_EQ(button->imageForState(UIControlStateNormal)->path(),
              "/System/Library/WeeAppPlugins/Marrowfin.bundle/refresh.png");
}

TEST_F(WidgetView, SecondViewIsTheSameContainerAndStartsNoRequest) {
    device.setCurrency("USD");
    peer.on("/api/2/BTCUSD/money/ticker", test::HttpPeer::reply(200, "{}"));
    UIView* first = controller->view();
    EXPECT_EQ(URLLoading::connectionsInFlight(), 1u);
    UIView* second = controller->view();
    EXPECT_EQ(first, second);
    EXPECT_EQ(URLLoading::connectionsInFlight(), 1u);
    EXPECT_EQ(first->subviews().size(), 8u);
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), 1u);
}

TEST_F(WidgetView, HeightIs110BeforeAndAfterTheView) {
    EXPECT_EQ(controller->viewHeight(), 110.0f);
    controller->view();
    EXPECT_EQ(controller->viewHeight(), 110.0f);
}

TEST_F(WidgetView, AnswersOnlyViewHeightAndDidAppear) {
    BBWeeAppController* widget = controller.get();
    EXPECT_FALSE(widget->viewWillAppear());
    EXPECT_FALSE(widget->viewWillDisappear());
    EXPECT_FALSE(widget->viewDidDisappear());
    EXPECT_FALSE(widget->willRotateToInterfaceOrientation(1));
    EXPECT_FALSE(widget->willAnimateRotationToInterfaceOrientation(1));
    EXPECT_FALSE(widget->didRotateFromInterfaceOrientation(1));
    EXPECT_FALSE(widget->loadPlaceholderView());
    EXPECT_FALSE(widget->loadFullView());
    EXPECT_FALSE(widget->unloadView());
    EXPECT_FALSE(widget->clearShapshotImage());
    EXPECT_FALSE(widget->loadView());
    EXPECT_FALSE(widget->launchURL().has_value());
    EXPECT_FALSE(widget->launchURLForTapLocation(CGPoint{1, 1}).has_value());
    // None of those started anything.
    EXPECT_EQ(URLLoading::connectionsInFlight(), 0u);
    EXPECT_TRUE(widget->viewHeight().has_value());
    EXPECT_TRUE(widget->viewDidAppear());
    EXPECT_TRUE(controller->respondsToSelector("reload:"));
    EXPECT_FALSE(controller->respondsToSelector("viewWillAppear"));
}

TEST_F(WidgetView, WithoutPicturesTheButtonStillRefreshes) {
    // No bundle in this device root: both pictures are missing.
    device.setCurrency("USD");
    peer.on("/api/2/BTCUSD/money/ticker", test::HttpPeer::reply(200, "{}"));
    UIView* container = controller->view();
    ASSERT_EQ(container->subviews().size(), 8u);
    EXPECT_EQ(NSCast<UIImageView>(container->subviews()[0].get())->image(), nullptr);
    auto* button = NSCast<UIButton>(container->subviews()[7].get());
    EXPECT_EQ(button->imageForState(UIControlStateNormal), nullptr);
    ASSERT_TRUE(waitForConnections());

    // The refresh button's centre: (-4 + 33, 57) in the container.
    UIView* tapped = UIKitHost::deliverTap(container, CGPoint{29, 57});
    EXPECT_EQ(tapped, button);
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), 2u);
}

TEST_F(WidgetView, TapAnywhereOnTheButtonFrameRefreshes) {
    device.setCurrency("USD");
    peer.on("/api/2/BTCUSD/money/ticker", test::HttpPeer::reply(200, "{}"));
    UIView* container = controller->view();
    ASSERT_TRUE(waitForConnections());
    // Labels take no touches, so a tap on a line that the button covers reaches the button;
    // the part left of the container counts too.
    const CGPoint points[] = {{-3, 1}, {61, 113}, {10, 50}};
    for (CGPoint point : points)
        UIKitHost::deliverTap(container, point);
    // Outside the button: nothing.
    UIKitHost::deliverTap(container, CGPoint{62, 50});
    UIKitHost::deliverTap(container, CGPoint{200, 50});
    ASSERT_TRUE(waitForConnections());
    EXPECT_EQ(peer.requests().size(), 4u);
}

// A controller let go before any view was asked for (it has no container yet) goes there
// and then, having started and logged nothing.
TEST_F(WidgetView, ReleaseBeforeAnyViewIsClean) {
    struct Traced : MarrowfinController {
        explicit Traced(bool& freed) : freed(freed) {}
        ~Traced() override { freed = true; }
        bool& freed;
    };
    bool freed = false;
    test::CaptureStderr log;
    controller = adopt(new Traced(freed));
    controller = nullptr;
    EXPECT_TRUE(freed) << "something still holds the controller";
    EXPECT_EQ(URLLoading::connectionsInFlight(), 0u);
    EXPECT_TRUE(log.logMessages().empty());
}

TEST_F(WidgetView, WaitingTextShowsUntilTheFirstReply) {
    device.setCurrency("USD");
    peer.on("/api/2/BTCUSD/money/ticker",
            test::HttpPeer::reply(200, tickerReply("$1.00", "$2.00", "$0.50", "3", "$1.10")));
    controller->view();
    Screen pending = screen();
    EXPECT_TRUE(pending.waiting);
    EXPECT_EQ(pending.lines[2], ""); // the low line beneath the waiting text
    ASSERT_TRUE(waitForConnections());
    EXPECT_FALSE(screen().waiting);
    EXPECT_EQ(screen().lines[2], "Low: $0.50 / BTC");
}

} // namespace
