#include <UIKit/UIKit.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A view that writes "<name> freed" to a log when it goes.
class TracedView : public UIView {
public:
    TracedView(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}

protected:
    ~TracedView() override { m_log.push_back(m_name + " freed"); }

private:
    Log& m_log;
    std::string m_name;
};

class ViewOwnership : public ::testing::Test {
protected:
    // A view whose only hold is its parent's.
    UIView* addTraced(UIView* parent, const char* name) {
        Ref<TracedView> view = make<TracedView>(log, name);
        parent->addSubview(view.get());
        return view.get();
    }

    Log log;
    Ref<UIView> root = make<UIView>(CGRectMake(0, 0, 100, 100));
};

TEST_F(ViewOwnership, ParentHoldsItsChildrenUntilRemoved) {
    UIView* a = addTraced(root.get(), "a");
    UIView* b = addTraced(root.get(), "b");
    EXPECT_EQ(a->retainCount(), 1u);
    EXPECT_EQ(a->superview(), root.get());
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews()[1].get(), b);
    EXPECT_TRUE(log.empty());

    a->removeFromSuperview();
    EXPECT_EQ(log, (Log{"a freed"}));
    ASSERT_EQ(root->subviews().size(), 1u);
    EXPECT_EQ(root->subviews()[0].get(), b);

    root.clear();
    EXPECT_EQ(log, (Log{"a freed", "b freed"}));
}

TEST_F(ViewOwnership, AddingAViewWithAParentMovesIt) {
    Ref<UIView> other = make<UIView>();
    UIView* a = addTraced(root.get(), "a");
    UIView* b = addTraced(root.get(), "b");

    other->addSubview(a);
    EXPECT_EQ(a->superview(), other.get());
    EXPECT_EQ(a->retainCount(), 1u);
    ASSERT_EQ(root->subviews().size(), 1u);
    EXPECT_EQ(root->subviews()[0].get(), b);

    // Added again to the same parent: to the front, still held once.
    addTraced(root.get(), "c");
    root->addSubview(b);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews()[1].get(), b);
    EXPECT_EQ(b->retainCount(), 1u);
    EXPECT_TRUE(log.empty());
}

TEST_F(ViewOwnership, AddingItselfOrAnAncestorDoesNothing) {
    UIView* child = addTraced(root.get(), "child");
    child->addSubview(root.get());
    child->addSubview(child);
    child->addSubview(nullptr);
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ(root->retainCount(), 1u);
}

TEST_F(ViewOwnership, ChildHeldElsewhereOutlivesItsParent) {
    Ref<UIView> child = make<UIView>();
    root->addSubview(child.get());
    root.clear();
    EXPECT_EQ(child->superview(), nullptr);
    child->removeFromSuperview(); // must not reach the freed parent
    EXPECT_EQ(child->retainCount(), 1u);
}

TEST_F(ViewOwnership, RetainedPropertiesHoldTheirValues) {
    Ref<UIColor> color = UIColor::colorWithRed(0.25f, 0.5f, 0.75f, 1);
    Ref<UILabel> label = make<UILabel>();
    label->setBackgroundColor(color.get());
    label->setTextColor(color.get());
    EXPECT_EQ(color->retainCount(), 3u);
    label->setTextColor(UIColor::whiteColor());
    EXPECT_EQ(color->retainCount(), 2u);
    UIColor* held = color.get();
    color.clear();
    EXPECT_FLOAT_EQ(label->backgroundColor()->green(), 0.5f);
    EXPECT_EQ(label->backgroundColor(), held);
}

TEST(UILabel, KeepsTheTextAsItWasWhenSet) {
    Ref<UILabel> label = make<UILabel>(CGRectMake(0, 7, 316, 21));
    EXPECT_EQ(label->text(), nullptr);
    Ref<NSMutableString> text = make<NSMutableString>("Please wait");
    label->setText(text.get());
    text->appendString(" forever");
    ASSERT_NE(label->text(), nullptr);
    EXPECT_EQ(label->text()->UTF8String(), "Please wait");
    EXPECT_EQ(text->retainCount(), 1u);

    label->setText(make<NSString>("").get());
    ASSERT_NE(label->text(), nullptr);
    EXPECT_EQ(label->text()->length(), 0u);
    label->setText(nullptr);
    EXPECT_EQ(label->text(), nullptr);
}

TEST(UIColor, ComponentsAreClampedToTheUnitRange) {
    Ref<UIColor> color =
        UIColor::colorWithRed(-1, 2, std::numeric_limits<float>::quiet_NaN(), 0.5f);
    EXPECT_EQ(color->red(), 0);
    EXPECT_EQ(color->green(), 1);
    EXPECT_EQ(color->blue(), 0);
    EXPECT_EQ(color->alpha(), 0.5f);
    EXPECT_EQ(UIColor::clearColor()->alpha(), 0);
    EXPECT_EQ(UIColor::whiteColor(), UIColor::whiteColor());
}

} // namespace
