#pragma once

#include <BulletinBoard/BBWeeAppController.h>
#include <UIKit/UIView.h>

#include <ostream>
#include <string>
#include <string_view>

// The notification panel's side of one widget: the controller it created, and the
// command language that drives it (show, view, appear, tap, refresh, wait, sleep, lines,
// dump, png, release, quit).
class WidgetSession {
public:
    enum class Outcome { Done, Quit, Error };

    WidgetSession(Ref<BBWeeAppController> controller, std::ostream& out);

    // Runs one command line ("#" starts a comment; a blank line does nothing). On Error,
    // `error` says what was wrong, in one line.
    Outcome run(std::string_view line, std::string* error);

    // The commands a windowed host gives directly (see run for their meaning).
    Outcome show(std::string* error);
    Outcome appear(std::string* error);
    Outcome tap(float x, float y, std::string* error);
    Outcome refresh(std::string* error);

    // The container placed by `view` or `show`, null before.
    UIView* container() const { return m_container.get(); }
    BBWeeAppController* controller() const { return m_controller.get(); }

private:
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
