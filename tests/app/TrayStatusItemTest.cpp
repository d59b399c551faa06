#include "app/TrayStatusItem.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(TrayStatusItem, DrawsTheMenuWithShortcutsAndDisabledHeader) {
    TrayStatusItem item;
    std::vector<StatusMenuItem::Action> chosen;
    item.setActionHandler([&](StatusMenuItem::Action action) { chosen.push_back(action); });
    item.setMenu(StatusMenuModel::build(true));
    ASSERT_TRUE(item.hasMenu());

    const QList<QAction*> actions = item.menu()->actions();
    ASSERT_EQ(actions.size(), 19);
    EXPECT_EQ(actions[0]->text(), "Ostrel");
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->shortcut(), QKeySequence("Ctrl+M"));
    EXPECT_EQ(actions.last()->shortcut(), QKeySequence("Ctrl+Q"));

    item.setItemTitle(6, "Camera Status: 🔴 Active");
    EXPECT_EQ(actions[6]->text(), "Camera Status: 🔴 Active");

    actions[4]->trigger();
    actions.last()->trigger();
    EXPECT_EQ(chosen, (std::vector{StatusMenuItem::Action::ToggleMonitoring,
                                   StatusMenuItem::Action::Quit}));

    // A rebuilt menu replaces the old one whole.
    item.setMenu(StatusMenuModel::build(false));
    EXPECT_EQ(item.menu()->actions()[6]->text(), "⏸️ Monitoring Stopped");
    EXPECT_EQ(item.menu()->actions().size(), 18);
}
