// The menu bar on the application: labels, accelerators and what activation reports.
#include "platform_harness.h"

#include <gtk/gtk.h>

namespace corvane::test {
namespace {

using platform::MenuEntry;
using platform::PredefinedItem;

std::string label_at(GMenuModel* model, int index) {
    char* label = nullptr;
    g_menu_model_get_item_attribute(model, index, G_MENU_ATTRIBUTE_LABEL, "s", &label);
    std::string result = label != nullptr ? label : "";
    g_free(label);
    return result;
}

std::vector<std::string> accels(GtkApplication* app, const char* action) {
    std::vector<std::string> result;
    char** list = gtk_application_get_accels_for_action(app, action);
    for (char** item = list; item != nullptr && *item != nullptr; ++item) {
        result.emplace_back(*item);
    }
    g_strfreev(list);
    return result;
}

TEST(MenuBar, InstallsLabelsAcceleratorsAndReportsActivations) {
    platform::Platform& p = shared_platform();
    std::vector<std::string> activated;
    p.install_menu_bar(
        {
            {"File",
             {MenuEntry::item("newTab", "New Tab", "CmdOrCtrl+T"), MenuEntry::separator(),
              MenuEntry::item("closeTab", "Close Tab", "CmdOrCtrl+W"),
              MenuEntry::item("odd", "Odd", "Hyper+Nothing")}},
            {"Edit",
             {MenuEntry::predefined_item(PredefinedItem::undo), MenuEntry::separator(),
              MenuEntry::predefined_item(PredefinedItem::services),
              MenuEntry::predefined_item(PredefinedItem::copy)}},
            {"Window",
             {MenuEntry::item("nextTab", "Show Next Tab", "Control+Tab"),
              MenuEntry::item("prevTab", "Show Previous Tab", "Control+Shift+Tab")}},
        },
        [&](const std::string& id) { activated.push_back(id); });

    auto* app = GTK_APPLICATION(g_application_get_default());
    ASSERT_NE(app, nullptr);
    GMenuModel* bar = gtk_application_get_menubar(app);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(g_menu_model_get_n_items(bar), 3);
    EXPECT_EQ(label_at(bar, 0), "File");
    EXPECT_EQ(label_at(bar, 2), "Window");
    GMenuModel* file = g_menu_model_get_item_link(bar, 0, G_MENU_LINK_SUBMENU);
    EXPECT_EQ(g_menu_model_get_n_items(file), 2) << "two sections, split at the separator";
    g_object_unref(file);

    EXPECT_EQ(accels(app, "app.cmd::newTab"), std::vector<std::string>{"<Control>t"});
    EXPECT_EQ(accels(app, "app.cmd::closeTab"), std::vector<std::string>{"<Control>w"});
    EXPECT_TRUE(accels(app, "app.cmd::odd").empty());
    EXPECT_EQ(accels(app, "app.cmd::prevTab"), std::vector<std::string>{"<Shift><Control>Tab"});

    g_action_group_activate_action(G_ACTION_GROUP(app), "cmd", g_variant_new_string("newTab"));
    g_action_group_activate_action(G_ACTION_GROUP(app), "predefined", g_variant_new_string("copy"));
    EXPECT_EQ(activated, std::vector<std::string>{"newTab"}) << "predefined items stay inside";
}

} // namespace
} // namespace corvane::test
