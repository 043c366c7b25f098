#pragma once

#include "PanelMenu.h"
#include "WidgetSession.h"

#include <gtk/gtk.h>

// The notification panel as a desktop window: the widget's row drawn at the display's scale,
// redrawn when a view changes. Coming on screen opens the panel (view, then viewDidAppear);
// coming back after being minimised or hidden sends viewDidAppear again. A click is a tap;
// `r` taps refresh; q, Escape and Ctrl+W close; a right click or the menu key opens the menu.
class PanelWindow {
public:
    static constexpr int kRowWidth = 320;

    // `trace` prints "appear T" and "draw T" lines on stdout (T: the monotonic clock in
    // microseconds), for tests and benchmarks to follow the window.
    PanelWindow(WidgetSession& session, PanelMenu& menu, bool trace);
    ~PanelWindow();
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    void present();
    bool isOpen() const { return m_window != nullptr; }
    // Shows the widget anew, as the panel opening again does.
    void appearAgain();

private:
    static void draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer self);
    static void pressed(GtkGestureClick* gesture, int count, double x, double y, gpointer self);
    static void released(GtkGestureClick* gesture, int count, double x, double y, gpointer self);
    static gboolean keyPressed(GtkEventControllerKey* keys, guint keyval, guint keycode,
                               GdkModifierType state, gpointer self);
    static void destroyed(GtkWidget* window, gpointer self);
    static void mapped(GtkWidget* window, gpointer self);
    static void surfaceChanged(GObject* surface, GParamSpec* property, gpointer self);

    void showMenuAt(double x, double y);
    void visibilityMayHaveChanged();
    void report(const std::string& error) const;
    void trace(const char* event) const;

    WidgetSession& m_session;
    PanelMenu& m_menu;
    bool m_trace;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_area = nullptr;
    GtkWidget* m_popover = nullptr;
    GdkSurface* m_surface = nullptr;
    bool m_onScreen = false;
    bool m_opened = false; // the panel has opened once (view, then viewDidAppear)
};
