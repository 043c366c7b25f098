#include "RunLoopSource.h"

#include <Foundation/NSRunLoop+Host.h>

#include <glib.h>

namespace RunLoopSource {

namespace {

struct Source {
    GSource base;
    uv_loop_t* loop;
    GPollFD backend; // libuv's epoll descriptor: readable when any of its watches fired
};

uv_loop_t* loopOf(GSource* source) {
    return reinterpret_cast<Source*>(source)->loop;
}

// How long GLib may sleep for libuv's sake: until its next timer, forever when it has
// nothing to wait for (libuv answers 0 then, which would spin), 0 when work is pending.
gint timeoutMilliseconds(uv_loop_t* loop) {
    if (!uv_loop_alive(loop))
        return -1;
    // libuv counts from its cached clock, which is stale while GLib ran other sources.
    uv_update_time(loop);
    return uv_backend_timeout(loop);
}

gboolean prepare(GSource* source, gint* timeout) {
    *timeout = timeoutMilliseconds(loopOf(source));
    return *timeout == 0;
}

gboolean check(GSource* source) {
    auto* self = reinterpret_cast<Source*>(source);
    return self->backend.revents != 0 || timeoutMilliseconds(self->loop) == 0;
}

gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
    uv_run(loopOf(source), UV_RUN_NOWAIT);
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kFuncs = {prepare, check, dispatch, nullptr, nullptr, nullptr};

} // namespace

void attach() {
    static GSource* attached = nullptr;
    if (attached)
        return;
    uv_loop_t* loop = NSRunLoop::mainRunLoop()->uvLoop();
    attached = g_source_new(&kFuncs, sizeof(Source));
    auto* self = reinterpret_cast<Source*>(attached);
    self->loop = loop;
    self->backend = {uv_backend_fd(loop), G_IO_IN | G_IO_ERR | G_IO_HUP, 0};
    g_source_add_poll(attached, &self->backend);
    g_source_set_name(attached, "marrowfin run loop");
    g_source_attach(attached, nullptr);
}

} // namespace RunLoopSource
