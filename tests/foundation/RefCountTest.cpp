// Reference counting: who holds an object, and when it goes.
#include <Foundation/NSArray.h>
#include <Foundation/NSObject.h>
#include <Foundation/Ref.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Records its destruction in a trace, and how many destructors were running at that moment:
// more than one means a release deleted an object from inside another's destructor.
class Traced : public NSObject {
public:
    Traced(std::vector<std::string>& trace, std::string name, Ref<NSObject> held = nullptr)
        : m_trace(trace), m_name(std::move(name)), m_held(std::move(held)) {}

    static inline int running = 0;
    static inline int mostRunning = 0;

protected:
    ~Traced() override {
        ++running;
        mostRunning = std::max(mostRunning, running);
        m_trace.push_back("delete " + m_name);
        m_held.clear();
        --running;
    }

private:
    std::vector<std::string>& m_trace;
    std::string m_name;
    Ref<NSObject> m_held;
};

class RefCount : public ::testing::Test {
protected:
    void SetUp() override { Traced::mostRunning = 0; }
    std::vector<std::string> trace;
};

using Trace = std::vector<std::string>;

TEST_F(RefCount, MakeOwnsTheOnlyHold) {
    {
        Ref<Traced> a = make<Traced>(trace, "a");
        EXPECT_EQ(a->retainCount(), 1u);
        EXPECT_EQ(trace, Trace{});
    }
    EXPECT_EQ(trace, Trace{"delete a"});
}

TEST_F(RefCount, AdoptTakesOverTheCreatorsHold) {
    Traced* raw = new Traced(trace, "a");
    {
        Ref<Traced> a = adopt(raw);
        EXPECT_EQ(raw->retainCount(), 1u);
    }
    EXPECT_EQ(trace, Trace{"delete a"});
}

TEST_F(RefCount, RefFromAPointerTakesAHoldOfItsOwn) {
    Traced* raw = new Traced(trace, "a");
    {
        Ref<Traced> a(raw);
        EXPECT_EQ(raw->retainCount(), 2u);
    }
    EXPECT_EQ(raw->retainCount(), 1u);
    EXPECT_EQ(trace, Trace{});
    raw->release();
    EXPECT_EQ(trace, Trace{"delete a"});
}

TEST_F(RefCount, CopyMoveAssignAndLeak) {
    Ref<Traced> a = make<Traced>(trace, "a");
    Ref<Traced> copy = a;
    EXPECT_EQ(a->retainCount(), 2u);
    Ref<NSObject> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(a->retainCount(), 2u);

    moved = make<Traced>(trace, "b"); // lets go of a's second hold
    EXPECT_EQ(a->retainCount(), 1u);
    EXPECT_EQ(trace, Trace{});

    a = nullptr;
    EXPECT_EQ(trace, Trace{"delete a"});

    NSObject* leaked = moved.leak();
    EXPECT_FALSE(moved);
    EXPECT_EQ(trace, Trace{"delete a"});
    leaked->release();
    EXPECT_EQ(trace, (Trace{"delete a", "delete b"}));
}

TEST_F(RefCount, AContainerHoldsItsMembers) {
    Ref<Traced> kept = make<Traced>(trace, "kept");
    {
        Ref<NSArray> array =
            make<NSArray>(std::vector<Ref<NSObject>>{make<Traced>(trace, "member"), kept});
        EXPECT_EQ(kept->retainCount(), 2u);
    }
    EXPECT_EQ(trace, Trace{"delete member"});
    EXPECT_EQ(kept->retainCount(), 1u);
}

TEST_F(RefCount, NestedObjectsAreDeletedOneAfterAnother) {
    Ref<Traced> outer =
        make<Traced>(trace, "outer", make<Traced>(trace, "middle", make<Traced>(trace, "inner")));
    outer = nullptr;
    EXPECT_EQ(trace, (Trace{"delete outer", "delete middle", "delete inner"}));
    EXPECT_EQ(Traced::mostRunning, 1);
}

TEST_F(RefCount, FreesAMillionDeepChainWithoutRecursion) {
    constexpr int depth = 1000000;
    Ref<NSObject> chain = make<NSArray>();
    for (int i = 0; i < depth; ++i)
        chain = make<NSArray>(std::vector<Ref<NSObject>>{chain});
    chain = nullptr; // a recursive free would overflow the stack here

    Ref<NSObject> traced;
    for (int i = 0; i < depth; ++i)
        traced = make<Traced>(trace, "t", traced);
    traced = nullptr;
    EXPECT_EQ(trace.size(), static_cast<std::size_t>(depth));
    EXPECT_EQ(Traced::mostRunning, 1);
}

TEST_F(RefCount, CastChecksTheClass) {
    Ref<NSObject> object = make<Traced>(trace, "a");
    EXPECT_EQ(NSCast<Traced>(object.get()), object.get());
    EXPECT_EQ(NSCast<NSArray>(object.get()), nullptr);
    EXPECT_EQ(NSCast<Traced>(static_cast<NSObject*>(nullptr)), nullptr);
}

} // namespace
