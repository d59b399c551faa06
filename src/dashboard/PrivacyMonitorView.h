#pragma once

#include "alerts/AllowedAppsManager.h"
#include "dashboard/PrivacyMonitorViewModel.h"

#include <QWidget>
#include <memory>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace ostrel {

class ActiveProcessRow;
class RecentActivityRow;

// The dashboard: header with the monitoring indicator, section tabs, four counts, search,
// and the lists of active processes and recent activity. It owns its model.
class PrivacyMonitorView final : public QWidget {
    Q_OBJECT

public:
    enum class MonitorSection { ActiveProcesses, RecentActivity };

    PrivacyMonitorView(const DashboardEnvironment& environment, AllowedAppsManager& allowedApps,
                       QWidget* parent = nullptr);
    ~PrivacyMonitorView() override;

    PrivacyMonitorViewModel& viewModel() { return *viewModel_; }
    void selectSection(MonitorSection section);
    MonitorSection selectedSection() const { return selectedSection_; }

    // For tests and screenshots.
    QString cardValue(const QString& title) const;
    QLineEdit* searchField() const { return searchField_; }
    QPushButton* filterButton() const { return filterButton_; }
    bool showingFilters() const { return showingFilters_; }
    // Rows currently shown, in order.
    std::vector<ActiveProcessRow*> activeRows() const;
    std::vector<RecentActivityRow*> activityRows() const;
    // The empty-state text of a section when it is shown, else empty.
    QString activeEmptyText() const;
    QString recentEmptyText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeSectionSelector();
    QWidget* makeCards();
    QWidget* makeSearchRow();
    QWidget* makeActivePage();
    QWidget* makeRecentPage();
    void updateHeader();
    void updateCards();
    void updateActiveList();
    void updateRecentList();
    void updateTimes();

    std::unique_ptr<PrivacyMonitorViewModel> viewModel_;
    AllowedAppsManager& allowedApps_;
    MonitorSection selectedSection_ = MonitorSection::ActiveProcesses;
    bool showingFilters_ = false;

    QLabel* monitoringDot_ = nullptr;
    QLabel* monitoringText_ = nullptr;
    QButtonGroup* sections_ = nullptr;
    std::vector<std::pair<QString, QLabel*>> cardValues_;
    QLineEdit* searchField_ = nullptr;
    QPushButton* filterButton_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QStackedWidget* activeStack_ = nullptr;
    QVBoxLayout* activeList_ = nullptr;
    std::vector<ActiveProcessRow*> activeRows_;
    QStackedWidget* recentStack_ = nullptr;
    QVBoxLayout* recentList_ = nullptr;
    std::vector<RecentActivityRow*> recentRows_;
    QLabel* recentEmptyDetail_ = nullptr;
};

} // namespace ostrel
