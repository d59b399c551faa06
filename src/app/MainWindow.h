#pragma once

#include "app/StatusItem.h"

#include <QWidget>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace ostrel {

// Ostrel's own window, for desktops that show no tray icon: everything the tray menu offers,
// its status lines as text and its actions as buttons. It is a status item beside the tray
// icon, so the shell fills both from the same menu and both call the same handler. Closing
// it only hides it; Ostrel keeps running.
class MainWindow final : public QWidget, public StatusItem {
public:
    static inline const QString closingNote =
        QStringLiteral("Closing this window keeps Ostrel running. To come back here, open "
                       "Ostrel again from the application menu.");

    explicit MainWindow(QWidget* parent = nullptr);

    void setMenu(const StatusMenuModel& menu) override;
    bool hasMenu() const override { return hasMenu_; }
    void setItemTitle(int index, const QString& title) override;
    void setIcon(bool deviceActive) override;
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }

    // Shows the window in front, with the focus.
    void showWindow();
    // What stands for the menu item at `index`: a QLabel for a heading or a status line, a
    // QPushButton for an action; null for a separator or an index the menu does not have.
    QWidget* itemWidget(int index) const;

private:
    void showDeviceState();

    QVBoxLayout* layout_;
    QWidget* content_ = nullptr;
    QLabel* deviceState_ = nullptr;
    // By menu index; the widgets are owned by content_.
    std::vector<QWidget*> itemWidgets_;
    std::vector<StatusMenuItem::Action> itemActions_;
    bool hasMenu_ = false;
    bool deviceActive_ = false;
    ActionHandler handler_;
};

} // namespace ostrel
