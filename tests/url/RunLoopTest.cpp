#include <Foundation/NSRunLoop+Host.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

NSRunLoop* loop() {
    return NSRunLoop::mainRunLoop();
}

TEST(RunLoopTest, PerformRunsLaterInOrder) {
    std::string trace;
    loop()->perform([&] {
        trace += "a";
        // Queued from a task: runs in a later turn, after the tasks already queued.
        loop()->perform([&] { trace += "c"; });
    });
    loop()->perform([&] { trace += "b"; });
    EXPECT_EQ(trace, "") << "a task ran inside perform";
    EXPECT_TRUE(loop()->runUntil([&] { return trace.size() == 3; }, 5));
    EXPECT_EQ(trace, "abc");
}

TEST(RunLoopTest, RunUntilAnswersWhetherTheConditionHeld) {
    EXPECT_TRUE(loop()->runUntil([] { return true; }, 0));

    auto start = Clock::now();
    EXPECT_FALSE(loop()->runUntil([] { return false; }, 0.2));
    EXPECT_GE(secondsSince(start), 0.19);
    EXPECT_LT(secondsSince(start), 2.0);

    bool set = false;
    loop()->perform([&] { set = true; });
    start = Clock::now();
    EXPECT_TRUE(loop()->runUntil([&] { return set; }, 10));
    EXPECT_LT(secondsSince(start), 2.0) << "the loop waited for its deadline after the event";
}

TEST(RunLoopTest, DeadlineCountsFromTheCallNotFromTheLastTurn) {
    loop()->runFor(0);
    // The host is busy elsewhere; the loop's own clock stands still meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto start = Clock::now();
    loop()->runFor(0.2);
    EXPECT_GE(secondsSince(start), 0.19);
}

TEST(RunLoopTest, ReadWatcherCallsBackUntilRemoved) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    int id = -1;
    id = loop()->addReadWatcher(fds[0], [&] {
        char byte;
        ASSERT_EQ(read(fds[0], &byte, 1), 1);
        if (++calls == 2)
            loop()->removeReadWatcher(id); // from inside its own callback
    });
    ASSERT_GE(id, 0);
    EXPECT_FALSE(loop()->runUntil([&] { return calls > 0; }, 0.05))
        << "called with nothing to read";

    ASSERT_EQ(write(fds[1], "xyz", 3), 3);
    EXPECT_TRUE(loop()->runUntil([&] { return calls == 2; }, 5));
    loop()->runFor(0.05);
    EXPECT_EQ(calls, 2) << "called after removal";
    close(fds[0]);
    close(fds[1]);
}

TEST(RunLoopTest, ReadWatcherRefusesARegularFile) {
    int fd = open("/proc/self/exe", O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(loop()->addReadWatcher(fd, [] {}), -1);
    loop()->removeReadWatcher(-1); // no such watcher: nothing happens
    close(fd);
}

} // namespace
