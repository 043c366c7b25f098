#include "StatusBar.h"

#include "ViewTreeText.h"

#include <Foundation/NSRunLoop+Host.h>
#include <UIKit/UIView+Host.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace {

// A libuv handle that calls back into a member of its owner.
template <typename Handle>
Handle* newHandle(void* owner) {
    auto* handle = new Handle;
    handle->data = owner;
    return handle;
}

} // namespace

StatusBar::StatusBar(WidgetSession& session, BarFormat::Kind format, double periodSeconds,
                     int outputFd)
    : m_session(session), m_format(format), m_period(periodSeconds), m_output(outputFd) {}

bool StatusBar::run(std::string* error) {
    NSRunLoop* runLoop = NSRunLoop::mainRunLoop();
    uv_loop_t* loop = runLoop->uvLoop();
    // A reader that went away shows as EPIPE from write, not as a signal that kills us.
    std::signal(SIGPIPE, SIG_IGN);

    auto* period = newHandle<uv_timer_t>(this);
    uv_timer_init(loop, period);
    const auto every = static_cast<uint64_t>(m_period * 1000 + 0.5);
    uv_timer_start(
        period, [](uv_timer_t* timer) { static_cast<StatusBar*>(timer->data)->periodEnded(); },
        every ? every : 1, every ? every : 1);

    auto* tap = newHandle<uv_signal_t>(this);
    uv_signal_init(loop, tap);
    uv_signal_start(
        tap,
        [](uv_signal_t* signal, int) {
            auto* self = static_cast<StatusBar*>(signal->data);
            std::string error;
            self->m_session.refresh(&error);
        },
        SIGUSR1);
    uv_signal_t* stops[2];
    for (int i = 0; i < 2; ++i) {
        stops[i] = newHandle<uv_signal_t>(this);
        uv_signal_init(loop, stops[i]);
        uv_signal_start(
            stops[i],
            [](uv_signal_t* signal, int) {
                static_cast<StatusBar*>(signal->data)->m_stopping = true;
            },
            i == 0 ? SIGTERM : SIGINT);
    }

    UIKitHost::setChangeObserver([this](const UIView*) { viewsChanged(); });
    if (!write(BarFormat::preamble(m_format)))
        m_stopping = true;
    std::string reason;
    if (!m_stopping)
        m_session.show(&reason);
    if (!m_stopping)
        emitIfDifferent();
    runLoop->runUntil([this] { return m_stopping; }, std::numeric_limits<double>::infinity());
    UIKitHost::setChangeObserver(nullptr);

    uv_timer_stop(period);
    uv_signal_stop(tap);
    for (uv_signal_t* stop : stops)
        uv_signal_stop(stop);
    // The handles stay with the loop, which lives as long as the process.
    if (!m_writeError.empty()) {
        *error = m_writeError;
        return false;
    }
    return true;
}

void StatusBar::periodEnded() {
    if (++m_periodsWithoutChange >= 3 && !m_stale) {
        m_stale = true;
        emitIfDifferent();
    }
    std::string reason;
    m_session.appear(&reason);
}

void StatusBar::viewsChanged() {
    // A reply changes several labels in a row: look once they are all set.
    if (m_checkQueued)
        return;
    m_checkQueued = true;
    NSRunLoop::mainRunLoop()->perform([this] {
        m_checkQueued = false;
        emitIfDifferent();
    });
}

void StatusBar::emitIfDifferent() {
    if (m_stopping)
        return;
    std::vector<std::string> lines = ViewTreeText::visibleLines(m_session.container());
    if (lines != m_lines) {
        m_lines = std::move(lines);
        m_periodsWithoutChange = 0;
        m_stale = false;
    }
    // Compared as a later line would be written: i3bar's first line lacks the separator.
    std::string shown = BarFormat::statusLine(m_format, m_lines, m_stale, false);
    if (m_anyLine && shown == m_lastLine)
        return;
    if (write(m_anyLine ? shown : BarFormat::statusLine(m_format, m_lines, m_stale, true))) {
        m_anyLine = true;
        m_lastLine = std::move(shown);
    }
}

bool StatusBar::write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(m_output, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The bar closed its end: nothing more to show, a clean end.
        if (n < 0 && errno != EPIPE)
            m_writeError = std::string("cannot write the status line: ") + std::strerror(errno);
        m_stopping = true;
        return false;
    }
    return true;
}
