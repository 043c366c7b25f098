#include "WidgetSession.h"

#include "ViewTreeText.h"

#include <Drawing/DrawingLoader.h>
#include <Foundation/LineEscape.h>
#include <Foundation/NSRunLoop+Host.h>
#include <Foundation/NSURLConnection+Host.h>
#include <UIKit/UIView+Host.h>

#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

namespace {

constexpr double kDefaultWaitSeconds = 30;

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> result;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

// A decimal number written out in full ("2", "-4.5"); no words, no trailing text.
bool parseNumber(const std::string& text, double* value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

bool parseSeconds(const std::string& text, double* seconds) {
    return parseNumber(text, seconds) && *seconds >= 0;
}

} // namespace

WidgetSession::WidgetSession(Ref<BBWeeAppController> controller, std::ostream& out)
    : m_controller(std::move(controller)), m_out(out) {}

bool WidgetSession::needController(std::string* error) const {
    if (m_controller)
        return true;
    *error = "the controller was released";
    return false;
}

WidgetSession::Outcome WidgetSession::run(std::string_view line, std::string* error) {
    if (auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::vector<std::string> args = words(line);
    if (args.empty())
        return Outcome::Done;
    const std::string& command = args[0];
    auto usage = [&](const char* form) {
        *error = std::string("usage: ") + form;
        return Outcome::Error;
    };

    if (command == "show") {
        if (args.size() != 1)
            return usage("show");
        return show(error);
    }
    if (command == "view") {
        if (args.size() != 1)
            return usage("view");
        if (!needController(error))
            return Outcome::Error;
        placeView();
        return Outcome::Done;
    }
    if (command == "appear") {
        if (args.size() != 1)
            return usage("appear");
        return appear(error);
    }
    if (command == "tap") {
        double x = 0, y = 0;
        if (args.size() != 3 || !parseNumber(args[1], &x) || !parseNumber(args[2], &y))
            return usage("tap X Y");
        return tap(static_cast<float>(x), static_cast<float>(y), error);
    }
    if (command == "refresh") {
        if (args.size() != 1)
            return usage("refresh");
        return refresh(error);
    }
    if (command == "wait") {
        double seconds = kDefaultWaitSeconds;
        if (args.size() > 2 || (args.size() == 2 && !parseSeconds(args[1], &seconds)))
            return usage("wait [SECONDS]");
        NSRunLoop::mainRunLoop()->runUntil([] { return URLLoading::connectionsInFlight() == 0; },
                                           seconds);
        return Outcome::Done;
    }
    if (command == "sleep") {
        double seconds = 0;
        if (args.size() != 2 || !parseSeconds(args[1], &seconds))
            return usage("sleep SECONDS");
        NSRunLoop::mainRunLoop()->runFor(seconds);
        return Outcome::Done;
    }
    if (command == "lines") {
        if (args.size() != 1)
            return usage("lines");
        lines();
        return Outcome::Done;
    }
    if (command == "dump") {
        if (args.size() != 1)
            return usage("dump");
        dump();
        return Outcome::Done;
    }
    if (command == "png") {
        if (args.size() != 2)
            return usage("png FILE");
        return png(args[1], error);
    }
    if (command == "release") {
        if (args.size() != 1)
            return usage("release");
        // The panel lets go of the widget's row and of its controller.
        m_container = nullptr;
        m_controller = nullptr;
        return Outcome::Done;
    }
    if (command == "quit") {
        if (args.size() != 1)
            return usage("quit");
        return Outcome::Quit;
    }
    *error = "unknown command '" + command +
             "' (commands: show view appear tap refresh wait sleep lines dump png release quit)";
    return Outcome::Error;
}

WidgetSession::Outcome WidgetSession::show(std::string* error) {
    if (!needController(error))
        return Outcome::Error;
    // What the panel does when it opens.
    placeView();
    m_controller->viewDidAppear();
    return Outcome::Done;
}

WidgetSession::Outcome WidgetSession::appear(std::string* error) {
    if (!needController(error))
        return Outcome::Error;
    m_controller->viewDidAppear();
    return Outcome::Done;
}

bool WidgetSession::needView(std::string* error) const {
    if (!needController(error))
        return false;
    if (m_container)
        return true;
    *error = "the widget has no view yet (send view or show first)";
    return false;
}

void WidgetSession::placeView() {
    m_container = m_controller->view();
}

WidgetSession::Outcome WidgetSession::tap(float x, float y, std::string* error) {
    if (!needView(error))
        return Outcome::Error;
    UIKitHost::deliverTap(m_container.get(), CGPoint{x, y});
    return Outcome::Done;
}

WidgetSession::Outcome WidgetSession::refresh(std::string* error) {
    if (!needView(error))
        return Outcome::Error;
    std::optional<CGPoint> centre = ViewTreeText::centreOfFirstButton(m_container.get());
    if (!centre) {
        *error = "the widget has no refresh button";
        return Outcome::Error;
    }
    UIKitHost::deliverTap(m_container.get(), *centre);
    return Outcome::Done;
}

WidgetSession::Outcome WidgetSession::png(const std::string& file, std::string* error) {
    if (!needView(error))
        return Outcome::Error;
    std::string reason;
    if (!Drawing::drawPNG(m_container.get(), 2.0, file, &reason)) {
        *error = "png: " + reason;
        return Outcome::Error;
    }
    return Outcome::Done;
}

void WidgetSession::lines() {
    for (const std::string& text : ViewTreeText::visibleLines(m_container.get()))
        m_out << LineEscaped(text) << '\n';
    m_out.flush();
}

void WidgetSession::dump() {
    std::string height = "null";
    if (m_controller) {
        if (std::optional<float> answer = m_controller->viewHeight())
            height = ViewTreeText::number(*answer);
    }
    m_out << "{\"height\":" << height << ",\"inFlight\":" << URLLoading::connectionsInFlight()
          << ",\"view\":" << UIKitHost::dumpJSON(m_container.get()) << "}\n";
    m_out.flush();
}
