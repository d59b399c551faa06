#include "alerts/AllowedAppsView.h"

#include "base/Log.h"
#include "detection/DeviceType.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel {

AllowedAppsView::AllowedAppsView(const AllowedAppsViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment), model_(new AllowedAppsTableModel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(10);

    addButton_ = new QToolButton(this);
    addButton_->setObjectName(QStringLiteral("addButton"));
    addButton_->setFixedSize(30, 30);
    // The sign itself: icon themes draw "list-add" in too many ways to be sure it reads "+".
    addButton_->setText(QStringLiteral("+"));
    QFont signFont = addButton_->font();
    signFont.setPointSizeF(signFont.pointSizeF() * 1.4);
    addButton_->setFont(signFont);
    addButton_->setToolTip(QStringLiteral("Add an application"));
    connect(addButton_, &QToolButton::clicked, this, &AllowedAppsView::addAllowedApp);
    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(addButton_);
    layout->addLayout(top);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("allowedAppsTable"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(32);
    QHeaderView* columns = table_->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->resizeSection(AllowedAppsTableModel::ProcessColumn, 200);
    columns->resizeSection(AllowedAppsTableModel::DeviceColumn, 100);
    columns->resizeSection(AllowedAppsTableModel::DateColumn, 150);
    columns->resizeSection(AllowedAppsTableModel::ActionColumn, 100);
    layout->addWidget(table_, 1);

    loadAllowedApps();
}

AllowedAppsView::~AllowedAppsView() = default;

void AllowedAppsView::loadAllowedApps() {
    allowedApps_ = AllowedAppsTableModel::rowsOf(environment_.allowedApps.getAllowedApps());
    logLine(QStringLiteral("📱 [AllowedAppsView] Loaded %1 allowed apps").arg(allowedApps_.size()));
    for (qsizetype i = 0; i < allowedApps_.size(); ++i) {
        logLine(QStringLiteral("📱 [AllowedAppsView] App %1: ").arg(i) +
                AllowedAppsTableModel::printedRecord(allowedApps_[i].record));
    }
    // Queued: a "Remove" button that asked for this reload must outlive its own click.
    environment_.runLoop.post([self = QPointer<AllowedAppsView>(this)] {
        if (self) {
            self->reloadTable();
        }
    });
}

void AllowedAppsView::reloadTable() {
    model_->setRows(allowedApps_);
    for (int row = 0; row < model_->rowCount(); ++row) {
        auto* cell = new QWidget(table_);
        auto* cellLayout = new QHBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        auto* remove = new QPushButton(QStringLiteral("Remove"), cell);
        remove->setObjectName(QStringLiteral("removeButton"));
        cellLayout->addWidget(remove, 0, Qt::AlignCenter);
        // The row is looked up again when clicked, by its key: a table reloaded meanwhile
        // never makes a button remove another entry.
        connect(remove, &QPushButton::clicked, this, [this, key = model_->rows()[row].key] {
            const QList<AllowedAppRow>& rows = model_->rows();
            const auto found = std::find_if(rows.cbegin(), rows.cend(),
                                            [&key](const auto& shown) { return shown.key == key; });
            removeApp(found == rows.cend() ? -1 : int(found - rows.cbegin()));
        });
        table_->setIndexWidget(model_->index(row, AllowedAppsTableModel::ActionColumn), cell);
    }
}

void AllowedAppsView::addAllowedApp() {
    const std::optional<QString> path =
        environment_.fileChooser.chooseFile({QStringLiteral("Select Application to Allow"),
                                             environment_.applications.applicationsFolder(),
                                             environment_.applications.applicationFileFilters()});
    if (!path) {
        return;
    }
    const ApplicationDescription application = environment_.applications.describe(*path);
    showDeviceSelection(application.displayName, application.bundleIdentifier);
}

void AllowedAppsView::showDeviceSelection(const QString& name, const QString& bundleIdentifier) {
    const QString camera = rawValue(DeviceType::Camera);
    const QString microphone = rawValue(DeviceType::Microphone);
    for (;;) {
        const CheckboxAlertAnswer answer = environment_.deviceSelection.runModal(
            {AlertStyle::Informational,
             QStringLiteral("Allow %1 to access:").arg(name),
             QStringLiteral("Select which devices this app should be allowed to access without "
                            "notifications."),
             {QStringLiteral("Add"), QStringLiteral("Cancel")}},
            {camera, microphone});
        if (answer.button != 0) {
            logLine(QStringLiteral("📱 [AllowedAppsView] User canceled adding ") + name);
            return;
        }
        const bool cameraChosen = answer.checked.value(0, false);
        const bool microphoneChosen = answer.checked.value(1, false);
        logLine(QStringLiteral("📱 [AllowedAppsView] User confirmed adding %1. Camera: %2, "
                               "Microphone: %3")
                    .arg(name, boolText(cameraChosen), boolText(microphoneChosen)));
        if (cameraChosen || microphoneChosen) {
            logLine(QStringLiteral("📱 [AllowedAppsView] Adding app to allowed list..."));
            const std::pair<bool, QString> devices[] = {{cameraChosen, camera},
                                                        {microphoneChosen, microphone}};
            for (const auto& [chosen, device] : devices) {
                if (!chosen) {
                    continue;
                }
                logLine(QStringLiteral("📱 [AllowedAppsView] Adding %1 permission for %2")
                            .arg(device.toLower(), name));
                if (bundleIdentifier.isEmpty()) {
                    environment_.allowedApps.addApp(name, device);
                } else {
                    environment_.allowedApps.addApp(bundleIdentifier, name, device);
                }
            }
            logLine(QStringLiteral("📱 [AllowedAppsView] Reloading table data..."));
            environment_.runLoop.post([self = QPointer<AllowedAppsView>(this)] {
                if (self) {
                    self->loadAllowedApps();
                }
            });
            return;
        }
        logLine(QStringLiteral("📱 [AllowedAppsView] No devices selected, showing warning"));
        environment_.alerts.runModal(
            {AlertStyle::Warning,
             QStringLiteral("No devices selected"),
             QStringLiteral("Please select at least one device (Camera or Microphone) to allow "
                            "access for %1.")
                 .arg(name),
             {QStringLiteral("OK")}});
    }
}

void AllowedAppsView::removeApp(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const QString key = model_->rows()[row].key;
    AllowedApps apps = environment_.allowedApps.getAllowedApps();
    if (apps.remove(key) > 0) {
        environment_.allowedApps.saveAllowedApps(apps);
    } else {
        logLine(QStringLiteral("📱 [AllowedAppsView] %1 was already removed").arg(key));
    }
    loadAllowedApps();
}

} // namespace ostrel
