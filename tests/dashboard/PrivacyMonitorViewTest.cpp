#include "dashboard/PrivacyMonitorView.h"

#include "DashboardFixture.h"
#include "dashboard/ActiveProcessRow.h"
#include "dashboard/PrivacyMonitorWindow.h"
#include "dashboard/RecentActivityRow.h"
#include "ui/StatusBadge.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostrel;

class PrivacyMonitorViewTest : public DashboardFixture {
protected:
    std::unique_ptr<PrivacyMonitorView> makeView() {
        auto view = std::make_unique<PrivacyMonitorView>(environment(), allowedApps);
        view->show();
        return view;
    }

    AllowedAppsManager allowedApps{settings};
};

TEST_F(PrivacyMonitorViewTest, OpeningShowsWhatIsInUseAtOnceAndSearchNarrowsBothLists) {
    auto view = makeView();
    useCamera(runningProcess(600, "cheese"));
    loop.advance(2.0);
    stopDevices();
    loop.advance(2.0);
    view->hide();
    const ProcessInfo meet = runningProcess(800, "Meet");
    useCamera(meet);
    useMicrophone(meet);
    view->show(); // reopened between two refreshes
    EXPECT_EQ(QStringList({view->cardValue("Active Processes"), view->cardValue("Camera Access"),
                           view->cardValue("Microphone Access"), view->cardValue("Recent Events")}),
              QStringList({"2", "1", "1", "1"}));
    EXPECT_TRUE(view->activeRows().size() == 2 && view->activeRows()[0]->process().pid == 800);

    // Nothing in use: the whole list is empty, so "All Clear".
    stopDevices();
    loop.advance(2.0);
    EXPECT_TRUE(view->activeEmptyText() == "All Clear" && view->cardValue("Recent Events") == "2");
    // Its two rows end as one row, made from the camera row.
    EXPECT_EQ(view->activityRows().at(0)->activity().accessType, QList{DeviceType::Camera});

    // A search matching nothing shows no rows, and no "All Clear" while something is in use.
    useCamera(meet);
    loop.advance(2.0);
    view->searchField()->setText("xyz");
    EXPECT_EQ(view->recentEmptyText(), "No results found for 'xyz'");
    EXPECT_EQ(view->cardValue("Recent Events"), "2");
    EXPECT_TRUE(view->activeRows().empty() && view->activeEmptyText().isEmpty());
    // Case does not matter on either side; an empty search shows everything again.
    view->searchField()->setText("mE");
    EXPECT_TRUE(view->activityRows().size() == 1 &&
                view->activityRows()[0]->activity().appName == "Meet");
    EXPECT_EQ(view->activeRows().size(), 1u);
    view->searchField()->clear();
    EXPECT_EQ(view->activityRows().size(), 2u);
}

TEST_F(PrivacyMonitorViewTest, OnlyANamedProcessNotAllowedOnADeviceItUsesOffersActions) {
    allowedApps.addApp("zoom.us", "Microphone");
    useCamera(runningProcess(700, "zoom.us"));
    auto view = makeView();
    const auto row = [&view] { return view->activeRows().at(0); };
    EXPECT_TRUE(row()->allowedBadge()->isHidden() && !row()->quitButton()->isHidden());
    EXPECT_TRUE(!row()->blockButton()->isHidden() && row()->blockButton()->text() == "Block");

    // Block turns into Unblock, also when a refresh still sees the camera held, and back.
    row()->blockButton()->click();
    EXPECT_TRUE(view->activeRows().size() == 1 && row()->blockButton()->text() == "Unblock");
    loop.advance(2.0);
    EXPECT_EQ(row()->blockButton()->text(), "Unblock");
    row()->blockButton()->click();
    EXPECT_TRUE(processControl.calls.back().signal == FakeProcessControl::Signal::Resume &&
                row()->blockButton()->text() == "Block");

    // Suspended by a notification's Block, under a name allowed since: still Unblock.
    suspended.suspend({700, 7000}, {700, "zoom.us", {}, {}}, {DeviceType::Camera});
    allowedApps.addApp("zoom.us", "Camera");
    loop.advance(2.0);
    EXPECT_TRUE(row()->allowedBadge()->isHidden() && !row()->blockButton()->isHidden() &&
                row()->blockButton()->text() == "Unblock");
    suspended.resume(700);
    loop.advance(2.0);
    EXPECT_TRUE(!row()->allowedBadge()->isHidden() && row()->blockButton()->isHidden());

    useCamera(std::nullopt); // a row the model may not signal offers nothing
    loop.advance(2.0);
    EXPECT_TRUE(row()->blockButton()->isHidden() && row()->quitButton()->isHidden());
}

TEST_F(PrivacyMonitorViewTest, TheWindowIsMadeOnceAndOnlyHiddenWhenClosed) {
    PrivacyMonitorWindow window({loop, [] { return true; }, [] { return nullptr; }, processControl,
                                 processes, applications, settings, allowedApps});
    window.showWindow();
    ASSERT_TRUE(window.window() && window.window()->isVisible());
    EXPECT_EQ(window.window()->activeEmptyText(), "All Clear"); // no detector: nothing listed
    window.window()->close();
    ASSERT_TRUE(window.window() && !window.window()->isVisible());
    window.showWindow();
    EXPECT_TRUE(window.window()->isVisible());
}
