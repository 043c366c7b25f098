#include "WidgetSession.h"

#include "ViewTreeText.h"

#include <Drawing/DrawingLoader.h>
#include <Foundation/LineEscape.h>
#include <Foundation/NSRunLoop+Host.h>
#include <Foundation/NSURLConnection+Host.h>
#include <UIKit/UIView+Host.h>

#include <algorithm>
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

// A command as usage shows it: "tap X Y", "show".
std::string form(std::string_view name, std::string_view arguments) {
    std::string text(name);
    if (!arguments.empty())
        text += " " + std::string(arguments);
    return text;
}

// Whether `count` arguments fit a usage such as "X Y" or "[SECONDS]".
bool takesCount(std::string_view usage, std::size_t count) {
    std::size_t required = 0, optional = 0;
    for (const std::string& word : words(usage))
        ++(word.starts_with("[") ? optional : required);
    return count >= required && count <= required + optional;
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

std::span<const WidgetSession::Command> WidgetSession::commands() {
    using S = WidgetSession;
    static const Command table[] = {
        {"show", "", "the panel opens: view, then appear",
         [](S& s, const Arguments&, std::string* error) -> std::optional<Outcome> {
             return s.show(error);
         }},
        {"view", "", "place the view the controller hands over",
         [](S& s, const Arguments&, std::string* error) -> std::optional<Outcome> {
             if (!s.needController(error))
                 return Outcome::Error;
             s.placeView();
             return Outcome::Done;
         }},
        {"appear", "", "tell the controller its view appeared",
         [](S& s, const Arguments&, std::string* error) -> std::optional<Outcome> {
             return s.appear(error);
         }},
        {"tap", "X Y", "a tap at X Y in the widget",
         [](S& s, const Arguments& args, std::string* error) -> std::optional<Outcome> {
             double x = 0, y = 0;
             if (!parseNumber(args[0], &x) || !parseNumber(args[1], &y))
                 return std::nullopt;
             return s.tap(static_cast<float>(x), static_cast<float>(y), error);
         }},
        {"refresh", "", "a tap on the refresh button",
         [](S& s, const Arguments&, std::string* error) -> std::optional<Outcome> {
             return s.refresh(error);
         }},
        {"wait", "[SECONDS]", "run until no request is in flight, at most SECONDS (30 by default)",
         [](S&, const Arguments& args, std::string*) -> std::optional<Outcome> {
             double seconds = kDefaultWaitSeconds;
             if (!args.empty() && !parseSeconds(args[0], &seconds))
                 return std::nullopt;
             NSRunLoop::mainRunLoop()->runUntil(
                 [] { return URLLoading::connectionsInFlight() == 0; }, seconds);
             return Outcome::Done;
         }},
        {"sleep", "SECONDS", "run for SECONDS",
         [](S&, const Arguments& args, std::string*) -> std::optional<Outcome> {
             double seconds = 0;
             if (!parseSeconds(args[0], &seconds))
                 return std::nullopt;
             NSRunLoop::mainRunLoop()->runFor(seconds);
             return Outcome::Done;
         }},
        {"lines", "", "print the visible texts, one a line",
         [](S& s, const Arguments&, std::string*) -> std::optional<Outcome> {
             s.lines();
             return Outcome::Done;
         }},
        {"dump", "", "print the view tree as JSON",
         [](S& s, const Arguments&, std::string*) -> std::optional<Outcome> {
             s.dump();
             return Outcome::Done;
         }},
        {"png", "FILE", "draw the widget at twice its size into FILE",
         [](S& s, const Arguments& args, std::string* error) -> std::optional<Outcome> {
             return s.png(args[0], error);
         }},
        {"release", "", "let go of the controller",
         [](S& s, const Arguments&, std::string*) -> std::optional<Outcome> {
             // The panel lets go of the widget's row and of its controller.
             s.m_container = nullptr;
             s.m_controller = nullptr;
             return Outcome::Done;
         }},
        {"quit", "", "end the session",
         [](S&, const Arguments&, std::string*) -> std::optional<Outcome> {
             return Outcome::Quit;
         }},
    };
    return table;
}

std::string WidgetSession::commandHelp() {
    std::string help;
    for (const Command& command : commands()) {
        std::string usage = form(command.name, command.arguments);
        usage.resize(std::max<std::size_t>(usage.size() + 1, 18), ' ');
        help += "  " + usage + std::string(command.summary) + "\n";
    }
    return help;
}

WidgetSession::Outcome WidgetSession::run(std::string_view line, std::string* error) {
    if (auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::vector<std::string> args = words(line);
    if (args.empty())
        return Outcome::Done;
    const std::string name = args[0];
    args.erase(args.begin());

    std::span<const Command> known = commands();
    auto command =
        std::find_if(known.begin(), known.end(), [&](const Command& c) { return c.name == name; });
    if (command == known.end()) {
        std::string names;
        for (const Command& c : known)
            names += (names.empty() ? "" : " ") + std::string(c.name);
        *error = "unknown command '" + name + "' (commands: " + names + ")";
        return Outcome::Error;
    }
    std::optional<Outcome> outcome;
    if (takesCount(command->arguments, args.size()))
        outcome = command->handler(*this, args, error);
    if (outcome)
        return *outcome;
    *error = "usage: " + form(command->name, command->arguments);
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
            height = UIKitHost::jsonNumber(*answer);
    }
    m_out << "{\"height\":" << height << ",\"inFlight\":" << URLLoading::connectionsInFlight()
          << ",\"view\":" << UIKitHost::dumpJSON(m_container.get()) << "}\n";
    m_out.flush();
}
