#include "dashboard/PrivacyMonitorView.h"

#include "DashboardFixture.h"
#include "dashboard/ActiveProcessRow.h"
#include "dashboard/PrivacyMonitorWindow.h"
#include "dashboard/RecentActivityRow.h"
#include "ui/StatusBadge.h"

#include <QLineEdit>
#include <QPushButton>

namespace ostrel {
namespace {

class PrivacyMonitorViewTest : public DashboardFixture {
protected:
    PrivacyMonitorViewTest() : allowedApps(settings) {}

    std::unique_ptr<PrivacyMonitorView> makeView() {
        auto view = std::make_unique<PrivacyMonitorView>(
            DashboardEnvironment{loop, &source, control, processes, applications, settings},
            allowedApps);
        view->resize(800, 650);
        view->show();
        return view;
    }

    // Makes one recent-activity row for a process that used the camera and stopped.
    void endCameraUse(const QString& name, qint32 pid) {
        useCamera(runningProcess(pid, name));
        loop.advance(2.0);
        stopDevices();
        loop.advance(2.0);
    }

    AllowedAppsManager allowedApps;
};

TEST_F(PrivacyMonitorViewTest, OpeningShowsWhatIsInUseAtOnceAndCountsIt) {
    auto view = makeView();
    endCameraUse("cheese", 600);
    view->hide();
    const ProcessInfo meet = runningProcess(800, "Meet");
    useCamera(meet);
    useMicrophone(meet);
    view->show(); // reopened between two refreshes
    EXPECT_EQ(view->cardValue("Active Processes"), "2");
    EXPECT_EQ(view->cardValue("Camera Access"), "1");
    EXPECT_EQ(view->cardValue("Microphone Access"), "1");
    EXPECT_EQ(view->cardValue("Recent Events"), "1");
    EXPECT_TRUE(view->activeEmptyText().isEmpty());
    ASSERT_EQ(view->activeRows().size(), 2u);
    EXPECT_EQ(view->activeRows()[0]->process().pid, 800);
    EXPECT_EQ(view->activeRows()[0]->blockButton()->text(), "Block");
    EXPECT_FALSE(view->activeRows()[0]->blockButton()->isHidden());

    // Nothing in use: the whole list is empty, so "All Clear".
    stopDevices();
    loop.advance(2.0);
    EXPECT_EQ(view->activeEmptyText(), "All Clear");
    EXPECT_EQ(view->cardValue("Recent Events"), "2");
}

TEST_F(PrivacyMonitorViewTest, SearchesThatMatchNothing) {
    auto view = makeView();
    endCameraUse("zoom.us", 700);
    useCamera(runningProcess(800, "cheese"));
    loop.advance(2.0);

    view->searchField()->setText("xyz");
    view->selectSection(PrivacyMonitorView::MonitorSection::RecentActivity);
    EXPECT_EQ(view->recentEmptyText(), "No results found for 'xyz'");
    EXPECT_EQ(view->cardValue("Recent Events"), "1");
    // An active process the search does not match: neither a row nor "All Clear".
    EXPECT_TRUE(view->activeRows().empty());
    EXPECT_TRUE(view->activeEmptyText().isEmpty());

    view->searchField()->setText("ZOO");
    ASSERT_EQ(view->activityRows().size(), 1u);
    EXPECT_EQ(view->activityRows()[0]->activity().appName, "zoom.us");
    view->searchField()->clear();
    EXPECT_EQ(view->activeRows().size(), 1u);
}

TEST_F(PrivacyMonitorViewTest, AllowedIsShownOnlyForADeviceInUse) {
    allowedApps.addApp("zoom.us", "Microphone");
    useCamera(runningProcess(700, "zoom.us"));
    auto view = makeView();
    ASSERT_EQ(view->activeRows().size(), 1u);
    ActiveProcessRow* row = view->activeRows()[0];
    EXPECT_TRUE(row->allowedBadge()->isHidden());
    EXPECT_FALSE(row->blockButton()->isHidden());
    EXPECT_FALSE(row->quitButton()->isHidden());

    allowedApps.addApp("zoom.us", "Camera");
    loop.advance(2.0);
    row = view->activeRows()[0];
    EXPECT_FALSE(row->allowedBadge()->isHidden());
    EXPECT_TRUE(row->blockButton()->isHidden());
}

TEST_F(PrivacyMonitorViewTest, RowsWithoutANamedProcessOfferNoActions) {
    useCamera(std::nullopt);
    auto view = makeView();
    ASSERT_EQ(view->activeRows().size(), 1u);
    EXPECT_TRUE(view->activeRows()[0]->blockButton()->isHidden());
    EXPECT_TRUE(view->activeRows()[0]->quitButton()->isHidden());
    stopDevices();
    useMicrophone(runningProcess(300, "pipewire"));
    loop.advance(2.0);
    ASSERT_EQ(view->activeRows().size(), 1u);
    EXPECT_TRUE(view->activeRows()[0]->blockButton()->isHidden());
}

TEST_F(PrivacyMonitorViewTest, BlockTurnsIntoUnblockAndBack) {
    useCamera(runningProcess(700, "zoom.us"));
    auto view = makeView();
    ASSERT_EQ(view->activeRows().size(), 1u);
    view->activeRows()[0]->blockButton()->click();
    ASSERT_EQ(view->activeRows().size(), 1u);
    EXPECT_EQ(view->activeRows()[0]->blockButton()->text(), "Unblock");
    ASSERT_EQ(view->activityRows().size(), 1u);
    EXPECT_EQ(view->activityRows()[0]->activity().status, ActivityStatus::Blocked);

    // Still holding the camera while suspended: the same row keeps offering resume.
    loop.advance(2.0);
    ASSERT_EQ(view->activeRows().size(), 1u);
    EXPECT_EQ(view->activeRows()[0]->blockButton()->text(), "Unblock");
    view->activeRows()[0]->blockButton()->click();
    EXPECT_EQ(control.calls.back().signal, FakeProcessControl::Signal::Resume);
    EXPECT_EQ(view->activeRows()[0]->blockButton()->text(), "Block");
}

TEST_F(PrivacyMonitorViewTest, TheWindowIsMadeOnceAndOnlyHiddenWhenClosed) {
    PrivacyMonitorWindow window({loop, [] { return true; }, [] { return nullptr; }, control,
                                 processes, applications, settings, allowedApps});
    EXPECT_TRUE(log.contains("🏗️ [SwiftUIWindowController] Initializing..."));
    window.showWindow();
    ASSERT_TRUE(window.window());
    EXPECT_TRUE(window.window()->isVisible());
    EXPECT_EQ(window.window()->windowTitle(), "Ostrel");
    EXPECT_EQ(window.window()->activeEmptyText(), "All Clear"); // no detector: nothing listed
    window.window()->close();
    ASSERT_TRUE(window.window());
    EXPECT_FALSE(window.window()->isVisible());
    window.showWindow();
    EXPECT_TRUE(window.window()->isVisible());
    EXPECT_TRUE(log.contains("✅ [SwiftUIWindowController] Window shown - visible: true"));
}

} // namespace
} // namespace ostrel
