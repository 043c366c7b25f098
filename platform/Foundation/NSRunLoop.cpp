#include <Foundation/NSRunLoop.h>

#include <Foundation/UVSupport.h>

#include <uv.h>

#include <map>
#include <vector>

namespace {

struct ReadWatcher {
    uv_poll_t handle;
    std::function<void()> onReadable;
};

} // namespace

struct NSRunLoop::State {
    uv_loop_t loop;
    uv_idle_t taskIdle;
    std::vector<std::function<void()>> tasks;
    std::map<int, ReadWatcher*> watchers;
    int nextWatcherId = 1;

    static void runTasks(uv_idle_t* idle) {
        auto* state = static_cast<State*>(idle->data);
        std::vector<std::function<void()>> batch;
        batch.swap(state->tasks);
        // Tasks queued by these run in a later turn, so a task that re-queues itself
        // cannot starve the loop.
        for (auto& task : batch)
            task();
        if (state->tasks.empty())
            uv_idle_stop(&state->taskIdle);
    }
};

NSRunLoop::NSRunLoop() : m_state(new State) {
    uv_loop_init(&m_state->loop);
    uv_idle_init(&m_state->loop, &m_state->taskIdle);
    m_state->taskIdle.data = m_state;
}

NSRunLoop* NSRunLoop::mainRunLoop() {
    // Never destroyed: handles may still be open when the process ends.
    static NSRunLoop* runLoop = new NSRunLoop;
    return runLoop;
}

uv_loop_t* NSRunLoop::uvLoop() {
    return &m_state->loop;
}

bool NSRunLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    if (done())
        return true;
    uv_loop_t* loop = &m_state->loop;
    bool expired = false;
    auto* deadline = new uv_timer_t;
    uv_timer_init(loop, deadline);
    deadline->data = &expired;
    // The loop's clock is only updated while it runs; the host may have been away.
    uv_update_time(loop);
    uv_timer_start(
        deadline, [](uv_timer_t* timer) { *static_cast<bool*>(timer->data) = true; },
        UVSupport::milliseconds(timeoutSeconds), 0);
    bool held = false;
    for (;;) {
        uv_run(loop, UV_RUN_ONCE);
        if (done()) {
            held = true;
            break;
        }
        if (expired)
            break;
    }
    uv_timer_stop(deadline);
    UVSupport::closeAndDelete(deadline);
    return held;
}

void NSRunLoop::runFor(double seconds) {
    runUntil([] { return false; }, seconds);
}

void NSRunLoop::perform(std::function<void()> task) {
    if (!task)
        return;
    m_state->tasks.push_back(std::move(task));
    if (!uv_is_active(reinterpret_cast<uv_handle_t*>(&m_state->taskIdle)))
        uv_idle_start(&m_state->taskIdle, State::runTasks);
}

int NSRunLoop::addReadWatcher(int fd, std::function<void()> onReadable) {
    auto* watcher = new ReadWatcher{{}, std::move(onReadable)};
    if (uv_poll_init(&m_state->loop, &watcher->handle, fd) != 0) {
        delete watcher;
        return -1;
    }
    watcher->handle.data = watcher;
    uv_poll_start(&watcher->handle, UV_READABLE, [](uv_poll_t* handle, int, int) {
        auto* watcher = static_cast<ReadWatcher*>(handle->data);
        // A copy: the callback may remove this very watcher.
        auto callback = watcher->onReadable;
        if (callback)
            callback();
    });
    int id = m_state->nextWatcherId++;
    m_state->watchers.emplace(id, watcher);
    return id;
}

void NSRunLoop::removeReadWatcher(int id) {
    auto it = m_state->watchers.find(id);
    if (it == m_state->watchers.end())
        return;
    ReadWatcher* watcher = it->second;
    m_state->watchers.erase(it);
    uv_poll_stop(&watcher->handle);
    UVSupport::closeAndDelete(&watcher->handle, watcher);
}
