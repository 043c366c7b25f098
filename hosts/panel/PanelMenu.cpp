#include "PanelMenu.h"

#include "PaneRows.h"

#include <cstdio>

namespace {

constexpr const char* kCurrencyKey = "currency";

// A section of `model` with an item for each label, each activating `action` with its label.
void appendSection(GMenu* model, const char* action, const std::vector<std::string>& labels) {
    GMenu* section = g_menu_new();
    for (const std::string& label : labels) {
        GMenuItem* item = g_menu_item_new(label.c_str(), nullptr);
        g_menu_item_set_action_and_target_value(item, action, g_variant_new_string(label.c_str()));
        g_menu_append_item(section, item);
        g_object_unref(item);
    }
    g_menu_append_section(model, nullptr, G_MENU_MODEL(section));
    g_object_unref(section);
}

} // namespace

PanelMenu::PanelMenu(Ref<PSListController> pane, std::function<void()> afterChoice)
    : m_pane(std::move(pane)), m_afterChoice(std::move(afterChoice)), m_model(g_menu_new()),
      m_actions(g_simple_action_group_new()) {
    if (!m_pane)
        return;
    if (PSSpecifier* row = PaneRows::withKey(m_pane.get(), kCurrencyKey)) {
        // A radio group: the action's state is the chosen code, each item targets its own.
        std::string current = PaneRows::currentValue(row).value_or("");
        m_currency = g_simple_action_new_stateful(kCurrencyKey, G_VARIANT_TYPE_STRING,
                                                  g_variant_new_string(current.c_str()));
        g_signal_connect(m_currency, "change-state", G_CALLBACK(chooseCurrency), this);
        g_action_map_add_action(G_ACTION_MAP(m_actions), G_ACTION(m_currency));
        appendSection(m_model, "panel.currency", PaneRows::choices(row));
    }
    std::vector<std::string> links = PaneRows::buttonLabels(m_pane.get());
    if (!links.empty()) {
        GSimpleAction* link = g_simple_action_new("link", G_VARIANT_TYPE_STRING);
        g_signal_connect(link, "activate", G_CALLBACK(openLink), this);
        g_action_map_add_action(G_ACTION_MAP(m_actions), G_ACTION(link));
        g_object_unref(link);
        appendSection(m_model, "panel.link", links);
    }
}

PanelMenu::~PanelMenu() {
    if (m_currency)
        g_object_unref(m_currency);
    g_object_unref(m_actions);
    g_object_unref(m_model);
}

void PanelMenu::refreshChoice() {
    if (!m_currency)
        return;
    if (PSSpecifier* row = PaneRows::withKey(m_pane.get(), kCurrencyKey)) {
        std::string current = PaneRows::currentValue(row).value_or("");
        g_simple_action_set_state(m_currency, g_variant_new_string(current.c_str()));
    }
}

void PanelMenu::chooseCurrency(GSimpleAction* action, GVariant* value, gpointer data) {
    auto* self = static_cast<PanelMenu*>(data);
    const char* code = g_variant_get_string(value, nullptr);
    if (PaneRows::storeValue(self->m_pane.get(), kCurrencyKey, code) != PaneRows::Store::Kept) {
        std::fprintf(stderr, "marrowfin panel: the currency %s could not be stored\n", code);
        self->refreshChoice();
        return;
    }
    g_simple_action_set_state(action, value);
    if (self->m_afterChoice)
        self->m_afterChoice();
}

void PanelMenu::openLink(GSimpleAction*, GVariant* label, gpointer data) {
    auto* self = static_cast<PanelMenu*>(data);
    const char* text = g_variant_get_string(label, nullptr);
    PSSpecifier* row = PaneRows::buttonLabelled(self->m_pane.get(), text);
    if (!row || !row->performAction())
        std::fprintf(stderr, "marrowfin panel: the row '%s' has no action\n", text);
}
