#include <UIKit/UIKit.h>
#include <UIKit/UIView+Host.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A target that answers "reload:" and "other:", writing "<name> <selector>" to a shared log
// (and "<name> freed" when it goes), and checks that the sender is the control.
class Target : public NSObject {
public:
    Target(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}

    const NSSelectorTable* selectorTable() const override {
        static const NSSelectorEntry entries[] = {
            {"reload:",
             [](NSObject* self, NSObject* sender, NSObject*) {
                 return static_cast<Target*>(self)->record("reload:", sender);
             }},
            {"other:",
             [](NSObject* self, NSObject* sender, NSObject*) {
                 return static_cast<Target*>(self)->record("other:", sender);
             }},
        };
        static const NSSelectorTable table{NSObject::selectorTable(), entries};
        return &table;
    }

    std::function<void()> onAction;
    NSObject* lastSender = nullptr;

protected:
    ~Target() override { m_log.push_back(m_name + " freed"); }

private:
    Ref<NSObject> record(const char* selector, NSObject* sender) {
        m_log.push_back(m_name + " " + selector);
        lastSender = sender;
        if (onAction)
            onAction();
        return nullptr;
    }

    Log& m_log;
    std::string m_name;
};

class TargetAction : public ::testing::Test {
protected:
    Log log;
    Ref<Target> one = make<Target>(log, "one");
    Ref<Target> two = make<Target>(log, "two");
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeCustom);
};

TEST_F(TargetAction, SendsEveryMatchingActionInTheOrderAdded) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    button->addTarget(two.get(), "other:", UIControlEventTouchDown | UIControlEventTouchUpInside);
    button->addTarget(one.get(), "other:", UIControlEventTouchUpOutside);

    struct Case {
        unsigned long events;
        Log expected;
    };
    const Case cases[] = {
        {UIControlEventTouchUpInside, {"one reload:", "two other:"}},
        {UIControlEventTouchDown, {"two other:"}},
        {UIControlEventTouchUpOutside, {"one other:"}},
        {UIControlEventTouchDown | UIControlEventTouchUpOutside, {"two other:", "one other:"}},
        {UIControlEventValueChanged, {}},
        {0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events);
        log.clear();
        button->sendActionsForControlEvents(c.events);
        EXPECT_EQ(log, c.expected);
    }
    EXPECT_EQ(one->lastSender, button.get());
    EXPECT_EQ(two->lastSender, button.get());
}

TEST_F(TargetAction, AddingTheSamePairTwiceMergesTheEvents) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchDown);
    button->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    EXPECT_EQ(button->actionCount(), 1u);
    button->sendActionsForControlEvents(UIControlEventTouchDown | UIControlEventTouchUpInside);
    EXPECT_EQ(log, (Log{"one reload:"}));
}

TEST_F(TargetAction, RemovingTakesOnlyTheNamedEvents) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchDown | UIControlEventTouchUpInside);
    button->addTarget(two.get(), "reload:", UIControlEventTouchUpInside);
    button->removeTarget(one.get(), "reload:", UIControlEventTouchDown);
    EXPECT_EQ(button->controlEventsForTarget(one.get(), "reload:"), UIControlEventTouchUpInside);
    button->removeTarget(nullptr, "", UIControlEventTouchUpInside);
    EXPECT_EQ(button->actionCount(), 0u);
    button->sendActionsForControlEvents(UIControlEventAllEvents);
    EXPECT_TRUE(log.empty());
}

TEST_F(TargetAction, UnansweredSelectorIsSkipped) {
    button->addTarget(one.get(), "noSuchAction:", UIControlEventTouchUpInside);
    button->addTarget(two.get(), "reload:", UIControlEventTouchUpInside);
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (Log{"two reload:"}));
}

TEST_F(TargetAction, ControlDoesNotOwnItsTarget) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    EXPECT_EQ(one->retainCount(), 1u);
    one.clear(); // the creator's hold was the only one
    EXPECT_EQ(log, (Log{"one freed"}));
    button->removeTarget(nullptr, "", UIControlEventAllEvents);
}

TEST_F(TargetAction, ActionRemovedByAnEarlierActionIsNotSent) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    button->addTarget(two.get(), "reload:", UIControlEventTouchUpInside);
    // "one" takes "two" off and lets it go, as a controller tearing down would.
    one->onAction = [&] {
        button->removeTarget(two.get(), "", UIControlEventAllEvents);
        two.clear();
    };
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (Log{"one reload:", "two freed"}));
}

TEST_F(TargetAction, TouchUpInsideOnlyWhenTheTouchEndsInside) {
    button->setFrame(CGRectMake(-4, 0, 66, 114));
    button->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    button->addTarget(two.get(), "other:", UIControlEventTouchUpOutside);
    struct Case {
        CGPoint end; // in the button's own coordinates
        const char* expected;
    };
    const Case cases[] = {
        {{0, 0}, "one reload:"},   {{65.5f, 113.5f}, "one reload:"}, {{66, 10}, "two other:"},
        {{10, 114}, "two other:"}, {{-0.5f, 10}, "two other:"},      {{10, -1}, "two other:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.end.x << "," << c.end.y);
        log.clear();
        button->touchesBegan({1, 1});
        EXPECT_TRUE(button->isHighlighted());
        button->touchesEnded(c.end);
        EXPECT_FALSE(button->isHighlighted());
        EXPECT_EQ(log, (Log{c.expected}));
    }
}

TEST_F(TargetAction, TouchDownFiresOnBegin) {
    button->addTarget(one.get(), "reload:", UIControlEventTouchDown);
    button->touchesBegan({1, 1});
    EXPECT_EQ(log, (Log{"one reload:"}));
}

// The tap holds the button while its action takes it out of the tree, which frees
// everything else that held it.
TEST_F(TargetAction, ActionMayRemoveItsOwnButton) {
    Ref<UIView> root = make<UIView>(CGRectMake(0, 0, 100, 100));
    button->setFrame(CGRectMake(0, 0, 50, 50));
    root->addSubview(button.get());
    UIButton* tapped = button.get();
    button.clear();
    tapped->addTarget(one.get(), "reload:", UIControlEventTouchUpInside);
    tapped->addTarget(two.get(), "other:", UIControlEventTouchUpInside);
    one->onAction = [&] { tapped->removeFromSuperview(); };
    EXPECT_EQ(UIKitHost::deliverTap(root.get(), {10, 10}), tapped);
    EXPECT_EQ(log, (Log{"one reload:", "two other:"}));
    EXPECT_TRUE(root->subviews().empty());
}

} // namespace
