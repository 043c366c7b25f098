#pragma once

#include "BarFormat.h"
#include "WidgetSession.h"

#include <string>

// The widget in a status bar: always on screen, so it appears every period; SIGUSR1 taps its
// refresh button; a status line goes out each time what it shows changes, and once more
// when nothing has changed for three periods (stale). Runs until SIGTERM or SIGINT, or until
// the bar stops reading (the output closes).
class StatusBar {
public:
    StatusBar(WidgetSession& session, BarFormat::Kind format, double periodSeconds, int outputFd);

    // Opens the panel and runs until told to stop; answers false with the reason when the
    // output failed for another cause than the reader going away.
    bool run(std::string* error);

private:
    void periodEnded();
    void viewsChanged();
    void emitIfDifferent();
    bool write(const std::string& text);

    WidgetSession& m_session;
    BarFormat::Kind m_format;
    double m_period;
    int m_output;
    bool m_stopping = false;
    bool m_checkQueued = false;
    bool m_stale = false;
    bool m_anyLine = false;
    int m_periodsWithoutChange = 0;
    std::vector<std::string> m_lines; // the visible lines last seen
    std::string m_lastLine;           // the status line last written
    std::string m_writeError;
};
