#pragma once

#include <Preferences/PSListController.h>

#include <gio/gio.h>

#include <functional>

// The panel window's menu: the pane's currency choices (chosen through the pane, as the
// Settings app does) and its link rows. Its actions live in an action group under the
// prefix "panel"; the window shows the model in a popover.
class PanelMenu {
public:
    // `pane` may be null (no pane installed): the menu is then empty. `afterChoice` runs
    // once a new currency has been stored.
    PanelMenu(Ref<PSListController> pane, std::function<void()> afterChoice);
    ~PanelMenu();
    PanelMenu(const PanelMenu&) = delete;
    PanelMenu& operator=(const PanelMenu&) = delete;

    GMenuModel* model() const { return G_MENU_MODEL(m_model); }
    GActionGroup* actions() const { return G_ACTION_GROUP(m_actions); }

    // Brings the currency's tick up to date (the settings may have changed elsewhere).
    void refreshChoice();

private:
    static void chooseCurrency(GSimpleAction* action, GVariant* value, gpointer self);
    static void openLink(GSimpleAction* action, GVariant* label, gpointer self);

    Ref<PSListController> m_pane;
    std::function<void()> m_afterChoice;
    GMenu* m_model = nullptr;
    GSimpleActionGroup* m_actions = nullptr;
    GSimpleAction* m_currency = nullptr;
};
