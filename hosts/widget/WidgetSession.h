#pragma once

#include <BulletinBoard/BBWeeAppController.h>
#include <UIKit/UIView.h>

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The notification panel's side of one widget: the controller it created, and the
// command language that drives it (see commandHelp).
class WidgetSession {
public:
    enum class Outcome { Done, Quit, Error };

    WidgetSession(Ref<BBWeeAppController> controller, std::ostream& out);

    // Runs one command line ("#" starts a comment; a blank line does nothing). On Error,
    // `error` says what was wrong, in one line.
    Outcome run(std::string_view line, std::string* error);
    // Each command with its arguments and what it does, one a line, for --help.
    static std::string commandHelp();

    // The commands a windowed host gives directly (see run for their meaning).
    Outcome show(std::string* error);
    Outcome appear(std::string* error);
    Outcome tap(float x, float y, std::string* error);
    Outcome refresh(std::string* error);

    // The container placed by `view` or `show`, null before.
    UIView* container() const { return m_container.get(); }
    BBWeeAppController* controller() const { return m_controller.get(); }

private:
    using Arguments = std::vector<std::string>;
    // One command: its name, its arguments as usage shows them ("X Y", "[SECONDS]": a word in
    // brackets may be left out), what it does, and what runs it. The handler answers nullopt
    // when an argument does not read as its usage says.
    struct Command {
        std::string_view name;
        std::string_view arguments;
        std::string_view summary;
        std::optional<Outcome> (*handler)(WidgetSession&, const Arguments&, std::string* error);
    };
    static std::span<const Command> commands();

    Outcome png(const std::string& file, std::string* error);
    void lines();
    void dump();
    bool needController(std::string* error) const;
    bool needView(std::string* error) const;
    void placeView();

    Ref<BBWeeAppController> m_controller;
    // The widget's row in the panel holds the view the controller handed over; nothing
    // asks for it before `view` or `show`, so `lines` and `dump` never build it.
    Ref<UIView> m_container;
    std::ostream& m_out;
};
