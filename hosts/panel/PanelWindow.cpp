#include "PanelWindow.h"

#include <Drawing/DrawingLoader.h>
#include <UIKit/UIView+Host.h>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kDefaultRowHeight = 110;

// The panel behind the row: the notification panel's near-black.
constexpr double kPanelGrey = 0.08;

} // namespace

PanelWindow::PanelWindow(WidgetSession& session, PanelMenu& menu, bool trace)
    : m_session(session), m_menu(menu), m_trace(trace) {
    int height = kDefaultRowHeight;
    if (std::optional<float> answer = session.controller()->viewHeight(); answer && *answer >= 1)
        height = static_cast<int>(*answer + 0.5f);

    m_window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(m_window), "Marrowfin");
    gtk_window_set_icon_name(GTK_WINDOW(m_window), "marrowfin");
    gtk_window_set_resizable(GTK_WINDOW(m_window), FALSE);

    m_area = gtk_drawing_area_new();
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(m_area), kRowWidth);
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(m_area), height);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(m_area), draw, this, nullptr);
    gtk_window_set_child(GTK_WINDOW(m_window), m_area);

    GtkGesture* click = gtk_gesture_click_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0); // every button
    g_signal_connect(click, "pressed", G_CALLBACK(pressed), this);
    g_signal_connect(click, "released", G_CALLBACK(released), this);
    gtk_widget_add_controller(m_area, GTK_EVENT_CONTROLLER(click));

    // Ahead of the window's own key bindings (it takes the menu key for itself).
    GtkEventController* keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    g_signal_connect(keys, "key-pressed", G_CALLBACK(keyPressed), this);
    gtk_widget_add_controller(m_window, keys);

    gtk_widget_insert_action_group(m_window, "panel", m_menu.actions());
    m_popover = gtk_popover_menu_new_from_model(m_menu.model());
    gtk_popover_set_has_arrow(GTK_POPOVER(m_popover), FALSE);
    gtk_widget_set_halign(m_popover, GTK_ALIGN_START);
    gtk_widget_set_parent(m_popover, m_area);

    // The menu hangs on the drawing area: it must go before the area does.
    g_signal_connect(m_area, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer data) {
                         auto* self = static_cast<PanelWindow*>(data);
                         if (self->m_popover)
                             gtk_widget_unparent(std::exchange(self->m_popover, nullptr));
                     }),
                     this);
    g_signal_connect(m_window, "map", G_CALLBACK(mapped), this);
    g_signal_connect(m_window, "destroy", G_CALLBACK(destroyed), this);

    // Every change to a view redraws the window at its next frame; nothing else does.
    GtkWidget* area = m_area;
    UIKitHost::setChangeObserver([area](const UIView*) { gtk_widget_queue_draw(area); });
}

PanelWindow::~PanelWindow() {
    UIKitHost::setChangeObserver(nullptr);
    if (m_window)
        gtk_window_destroy(GTK_WINDOW(m_window));
}

void PanelWindow::present() {
    gtk_window_present(GTK_WINDOW(m_window));
}

void PanelWindow::trace(const char* event) const {
    if (!m_trace)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("%s %lld\n", event,
                static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fflush(stdout);
}

void PanelWindow::report(const std::string& error) const {
    std::fprintf(stderr, "marrowfin panel: %s\n", error.c_str());
}

void PanelWindow::draw(GtkDrawingArea* area, cairo_t* cr, int, int, gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    cairo_set_source_rgb(cr, kPanelGrey, kPanelGrey, kPanelGrey);
    cairo_paint(cr);
    if (UIView* container = self->m_session.container()) {
        // The container at its own place in the row; the painter works in points and the
        // surface is already at the display's scale, so @2x pictures come out sharp.
        CGRect frame = container->frame();
        cairo_translate(cr, frame.origin.x, frame.origin.y);
        std::string error;
        if (!Drawing::paintView(container, cr, gtk_widget_get_scale_factor(GTK_WIDGET(area)),
                                &error)) {
            static bool reported = false;
            if (!std::exchange(reported, true))
                self->report(error);
        }
    }
    self->trace("draw");
}

void PanelWindow::pressed(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) == GDK_BUTTON_SECONDARY)
        self->showMenuAt(x, y);
}

void PanelWindow::released(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) != GDK_BUTTON_PRIMARY)
        return;
    UIView* container = self->m_session.container();
    if (!container)
        return;
    // From the row's coordinates into the container's, where `tap` takes its point.
    CGRect frame = container->frame();
    std::string error;
    if (self->m_session.tap(static_cast<float>(x - frame.origin.x),
                            static_cast<float>(y - frame.origin.y),
                            &error) == WidgetSession::Outcome::Error)
        self->report(error);
}

gboolean PanelWindow::keyPressed(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                                 gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    const bool control = (state & GDK_CONTROL_MASK) != 0;
    switch (keyval) {
    case GDK_KEY_q:
    case GDK_KEY_Escape:
        gtk_window_close(GTK_WINDOW(self->m_window));
        return TRUE;
    case GDK_KEY_w:
        if (!control)
            return FALSE;
        gtk_window_close(GTK_WINDOW(self->m_window));
        return TRUE;
    case GDK_KEY_r: {
        std::string error;
        if (self->m_session.refresh(&error) == WidgetSession::Outcome::Error)
            self->report(error);
        return TRUE;
    }
    case GDK_KEY_Menu:
        self->showMenuAt(PanelWindow::kRowWidth / 2.0, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

void PanelWindow::showMenuAt(double x, double y) {
    m_menu.refreshChoice();
    GdkRectangle at = {static_cast<int>(x), static_cast<int>(y), 1, 1};
    gtk_popover_set_pointing_to(GTK_POPOVER(m_popover), &at);
    gtk_popover_popup(GTK_POPOVER(m_popover));
}

void PanelWindow::appearAgain() {
    std::string error;
    if (m_session.appear(&error) == WidgetSession::Outcome::Error)
        report(error);
    trace("appear");
}

void PanelWindow::mapped(GtkWidget* window, gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    if (!self->m_surface) {
        // The toplevel's surface tells when it is minimised or hidden and back.
        self->m_surface = gtk_native_get_surface(GTK_NATIVE(window));
        g_signal_connect(self->m_surface, "notify::mapped", G_CALLBACK(surfaceChanged), self);
        g_signal_connect(self->m_surface, "notify::state", G_CALLBACK(surfaceChanged), self);
    }
    self->visibilityMayHaveChanged();
}

void PanelWindow::surfaceChanged(GObject*, GParamSpec*, gpointer data) {
    static_cast<PanelWindow*>(data)->visibilityMayHaveChanged();
}

void PanelWindow::visibilityMayHaveChanged() {
    if (!m_surface)
        return;
    const bool minimised =
        GDK_IS_TOPLEVEL(m_surface) &&
        (gdk_toplevel_get_state(GDK_TOPLEVEL(m_surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) != 0;
    const bool onScreen = gdk_surface_get_mapped(m_surface) && !minimised;
    if (onScreen == m_onScreen)
        return;
    m_onScreen = onScreen;
    if (!onScreen)
        return;
    if (m_opened) {
        appearAgain();
        return;
    }
    // The panel opens: the controller's view goes into the row, then it appears.
    m_opened = true;
    std::string error;
    if (m_session.show(&error) == WidgetSession::Outcome::Error)
        report(error);
    gtk_widget_queue_draw(m_area);
    trace("appear");
}

void PanelWindow::destroyed(GtkWidget*, gpointer data) {
    auto* self = static_cast<PanelWindow*>(data);
    UIKitHost::setChangeObserver(nullptr);
    if (self->m_surface)
        g_signal_handlers_disconnect_by_data(self->m_surface, self);
    self->m_surface = nullptr;
    self->m_area = nullptr;
    self->m_window = nullptr;
}
