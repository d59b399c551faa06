#pragma once

#include "alerts/AllowedAppsManager.h"
#include "alerts/AllowedAppsTableModel.h"
#include "base/MainRunLoop.h"
#include "platform/AlertPresenter.h"
#include "platform/ApplicationDescriber.h"
#include "platform/CheckboxAlertPresenter.h"
#include "platform/FileChooser.h"

#include <QWidget>

class QTableView;
class QToolButton;

namespace ostrel {

// What the allowed applications window reaches.
struct AllowedAppsViewEnvironment {
    AllowedAppsManager& allowedApps;
    MainRunLoop& runLoop;
    FileChooser& fileChooser;
    ApplicationDescriber& applications;
    CheckboxAlertPresenter& deviceSelection;
    AlertPresenter& alerts;
};

// The table of allowed applications with a "+" to add one (picked as a file, then allowed
// for the camera, the microphone or both) and a "Remove" button per row. It shows a snapshot
// of the store, taken when it opens and after each add or remove made here.
class AllowedAppsView final : public QWidget {
    Q_OBJECT

public:
    explicit AllowedAppsView(const AllowedAppsViewEnvironment& environment,
                             QWidget* parent = nullptr);
    ~AllowedAppsView() override;

    // Reads the store and queues the table reload on the run loop.
    void loadAllowedApps();
    // The "+" button: a file chooser, then the device selection.
    void addAllowedApp();
    // Asks for the devices until the user picks at least one or cancels, then adds an entry
    // per device: by bundle identifier when there is one, by name otherwise.
    void showDeviceSelection(const QString& name, const QString& bundleIdentifier);
    // A row's "Remove" button; rows outside the table are ignored.
    void removeApp(int row);

    const AllowedAppsTableModel& tableModel() const { return *model_; }
    QTableView* tableView() const { return table_; }
    QToolButton* addButton() const { return addButton_; }

private:
    void reloadTable();

    AllowedAppsViewEnvironment environment_;
    AllowedAppsTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QList<AllowedAppRow> allowedApps_;
};

} // namespace ostrel
