#include "alerts/AllowedAppsView.h"

#include "alerts/AllowedAppsTableModel.h"
#include "alerts/AllowedAppsWindow.h"
#include "support/CapturedLog.h"
#include "support/FakeAlertPresenter.h"
#include "support/FakeApplicationDescriber.h"
#include "support/FakeCheckboxAlertPresenter.h"
#include "support/FakeFileChooser.h"
#include "support/ManualRunLoop.h"

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kCheesePath = QStringLiteral("/usr/share/applications/org.gnome.Cheese.desktop");

class AllowedAppsViewTest : public testing::Test {
protected:
    AllowedAppsViewTest() {
        describer.descriptions.insert(kCheesePath, {"org.gnome.Cheese", "Cheese"});
    }

    AllowedAppsViewEnvironment environment() {
        return {manager, loop, chooser, describer, deviceSelection, alerts};
    }
    AllowedAppsView& view() {
        if (!view_) {
            view_ = std::make_unique<AllowedAppsView>(environment());
            loop.runPending();
        }
        return *view_;
    }
    // Each row as "process|device".
    QStringList rows() {
        QStringList shown;
        const AllowedAppsTableModel& model = view().tableModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.append(model.index(row, AllowedAppsTableModel::ProcessColumn).data().toString() +
                         "|" +
                         model.index(row, AllowedAppsTableModel::DeviceColumn).data().toString());
        }
        return shown;
    }
    void clickRemove(int row) {
        QWidget* cell = view().tableView()->indexWidget(
            view().tableModel().index(row, AllowedAppsTableModel::ActionColumn));
        ASSERT_NE(cell, nullptr);
        auto* button = cell->findChild<QPushButton*>("removeButton");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), "Remove");
        button->click();
        loop.runPending();
    }
    void addWithAnswers(std::initializer_list<CheckboxAlertAnswer> answers) {
        chooser.choice = kCheesePath;
        deviceSelection.answers.assign(answers.begin(), answers.end());
        view().addButton()->click();
        loop.runPending();
    }

    QTemporaryDir root;
    QSettings settings{root.filePath("Ostrel.conf"), QSettings::IniFormat};
    AllowedAppsManager manager{settings,
                               [] { return QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC); }};
    ManualRunLoop loop;
    FakeFileChooser chooser;
    FakeApplicationDescriber describer;
    FakeCheckboxAlertPresenter deviceSelection;
    FakeAlertPresenter alerts;
    CapturedLog log;
    std::unique_ptr<AllowedAppsView> view_;
};

} // namespace

TEST_F(AllowedAppsViewTest, AddingForBothDevicesGivesTwoRows) {
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(log.contains("📱 [AllowedAppsView] Loaded 0 allowed apps"));

    addWithAnswers({{0, {true, true}}});

    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].title, "Select Application to Allow");
    EXPECT_EQ(chooser.requests[0].startFolder, "/usr/share/applications");
    EXPECT_EQ(chooser.requests[0].nameFilters, (QStringList{"Applications (*.desktop)"}));
    ASSERT_EQ(deviceSelection.shown.size(), 1u);
    const auto& shown = deviceSelection.shown[0];
    EXPECT_EQ(shown.alert.title, "Allow Cheese to access:");
    EXPECT_EQ(shown.alert.informativeText,
              "Select which devices this app should be allowed to access without "
              "notifications.");
    EXPECT_EQ(shown.alert.buttons, (QStringList{"Add", "Cancel"}));
    EXPECT_EQ(shown.checkboxTitles, (QStringList{"Camera", "Microphone"}));

    EXPECT_EQ(rows(), (QStringList{"Cheese|Camera", "Cheese|Microphone"}));
    const AllowedApps stored = manager.getAllowedApps();
    EXPECT_EQ(stored.value("Cheese_Camera").value("bundleIdentifier").toString(),
              "org.gnome.Cheese");
    EXPECT_EQ(stored.value("Cheese_Microphone").value("bundleIdentifier").toString(),
              "org.gnome.Cheese");
    for (const char* line :
         {"📱 [AllowedAppsView] User confirmed adding Cheese. Camera: true, Microphone: true",
          "📱 [AllowedAppsView] Adding app to allowed list...",
          "📱 [AllowedAppsView] Adding camera permission for Cheese",
          "📱 [AllowedAppsView] Adding microphone permission for Cheese",
          "📱 [AllowedAppsView] Reloading table data...",
          "📱 [AllowedAppsView] Loaded 2 allowed apps"}) {
        EXPECT_TRUE(log.contains(line)) << line;
    }
    EXPECT_EQ(log.countStartingWith("📱 [AllowedAppsView] App 1: ["), 1);
    EXPECT_EQ(view().tableModel().index(0, AllowedAppsTableModel::DateColumn).data().toString(),
              QLocale().toString(QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC).toLocalTime(),
                                 QLocale::ShortFormat));
}

TEST_F(AllowedAppsViewTest, NoDeviceTickedWarnsAndAsksAgain) {
    addWithAnswers({{0, {false, false}}, {0, {false, true}}});

    EXPECT_EQ(deviceSelection.shown.size(), 2u);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].style, AlertStyle::Warning);
    EXPECT_EQ(alerts.alerts[0].title, "No devices selected");
    EXPECT_EQ(alerts.alerts[0].informativeText,
              "Please select at least one device (Camera or Microphone) to allow access for "
              "Cheese.");
    EXPECT_EQ(alerts.alerts[0].buttons, (QStringList{"OK"}));
    EXPECT_TRUE(log.contains("📱 [AllowedAppsView] No devices selected, showing warning"));
    EXPECT_EQ(rows(), (QStringList{"Cheese|Microphone"}));
}

TEST_F(AllowedAppsViewTest, CancellingAddsNothing) {
    chooser.choice.reset();
    view().addButton()->click();
    EXPECT_TRUE(deviceSelection.shown.empty());

    addWithAnswers({{1, {true, true}}});
    EXPECT_TRUE(log.contains("📱 [AllowedAppsView] User canceled adding Cheese"));
    // Closing the alert without a button is a cancel too.
    addWithAnswers({{std::nullopt, {true, false}}});
    EXPECT_EQ(log.countStartingWith("📱 [AllowedAppsView] User canceled adding Cheese"), 2);
    EXPECT_TRUE(manager.getAllowedApps().isEmpty());
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(AllowedAppsViewTest, AnApplicationWithoutIdentifierIsAddedByName) {
    chooser.choice = "/home/user/Tools/my-tool.sh";
    deviceSelection.answers = {{0, {true, false}}};
    view().addButton()->click();
    loop.runPending();

    EXPECT_EQ(rows(), (QStringList{"my-tool|Camera"}));
    const QVariantMap record = manager.getAllowedApps().value("my-tool_Camera");
    EXPECT_FALSE(record.contains("bundleIdentifier"));
}

TEST_F(AllowedAppsViewTest, RemovingOneOfTwoRowsKeepsTheOtherDevice) {
    addWithAnswers({{0, {true, true}}});
    ASSERT_EQ(rows(), (QStringList{"Cheese|Camera", "Cheese|Microphone"}));

    clickRemove(0);

    EXPECT_EQ(rows(), (QStringList{"Cheese|Microphone"}));
    EXPECT_EQ(manager.getAllowedApps().keys(), (QStringList{"Cheese_Microphone"}));
    EXPECT_TRUE(manager.isAppAllowed("Cheese", "Microphone"));
    EXPECT_FALSE(manager.isAppAllowed("Cheese", "Camera"));
}

TEST_F(AllowedAppsViewTest, EveryRowCanBeRemovedEvenWhenItsRecordDoesNotSpellItsKey) {
    manager.saveAllowedApps({
        {"zoom_camera", {{"processName", "Zoom"}, {"device", "Camera"}}},
        {"Skype_Microphone", {{"processName", "Skype"}}},
        {"Odd_Camera", {{"processName", 42}, {"device", "Camera"}, {"dateAdded", "yesterday"}}},
    });
    ASSERT_TRUE(manager.isAppAllowed("Skype", "Microphone"));
    EXPECT_EQ(rows(), (QStringList{"Unknown|Camera", "Skype|Unknown", "Zoom|Camera"}));
    EXPECT_EQ(view().tableModel().index(0, AllowedAppsTableModel::DateColumn).data().toString(),
              "Unknown");

    clickRemove(1);
    EXPECT_EQ(rows(), (QStringList{"Unknown|Camera", "Zoom|Camera"}));
    EXPECT_FALSE(manager.isAppAllowed("Skype", "Microphone"));

    clickRemove(1);
    clickRemove(0);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(manager.getAllowedApps().isEmpty());
    EXPECT_FALSE(manager.isAppAllowed("Zoom", "Camera"));

    // Rows outside the table are ignored.
    view().removeApp(-1);
    view().removeApp(5);
}

TEST_F(AllowedAppsViewTest, TheTableIsASnapshotTakenHere) {
    view();
    manager.addApp("Zoom", "Camera"); // an "Allow Always" answer elsewhere
    EXPECT_TRUE(rows().isEmpty());
    addWithAnswers({{0, {true, false}}});
    EXPECT_EQ(rows(), (QStringList{"Cheese|Camera", "Zoom|Camera"}));

    const AllowedAppsTableModel& model = view().tableModel();
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column) {
        headers.append(model.headerData(column, Qt::Horizontal).toString());
    }
    EXPECT_EQ(headers, (QStringList{"Process", "Device", "Date Added", "Action"}));
}

TEST_F(AllowedAppsViewTest, WindowIsANewOneEachTime) {
    auto first = makeAllowedAppsWindowController(environment());
    auto second = makeAllowedAppsWindowController(environment());
    first->showWindow();
    second->showWindow();
    loop.runPending();
    int windows = 0;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->isVisible() && candidate->findChild<AllowedAppsView*>()) {
            ++windows;
            EXPECT_EQ(candidate->windowTitle(), "Allowed Applications");
            EXPECT_EQ(candidate->size(), QSize(600, 400));
        }
    }
    EXPECT_EQ(windows, 2);
}
