#pragma once

#include <functional>

typedef struct uv_loop_s uv_loop_t;

// The process's one event loop, on libuv. Everything runs on it, on the main thread:
// URL connection callbacks, deferred tasks, the host's input.
//
// The loop only runs inside runUntil() or runFor(); it never polls: when nothing is due,
// it blocks in the kernel until an event or its deadline.
class NSRunLoop {
public:
    static NSRunLoop* mainRunLoop();

    // Runs until done() holds or the time is up; answers whether done() held. done() is
    // checked before the first event and after every turn of the loop.
    bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
    // Runs the loop for that long.
    void runFor(double seconds);
    // Runs the task on the loop, soon, once: never from inside this call.
    void perform(std::function<void()> task);

    // Host face (see NSRunLoop+Host.h): calls back whenever fd is readable, or has failed.
    // Answers an id for removeReadWatcher, or -1 when the fd cannot be watched (a regular file).
    int addReadWatcher(int fd, std::function<void()> onReadable);
    void removeReadWatcher(int id);

    // Platform-internal: the libuv loop beneath.
    uv_loop_t* uvLoop();

    NSRunLoop(const NSRunLoop&) = delete;
    NSRunLoop& operator=(const NSRunLoop&) = delete;

private:
    NSRunLoop();
    struct State;
    State* m_state;
};
