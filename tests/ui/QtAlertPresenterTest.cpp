#include "ui/QtAlertPresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Runs `inspect` on the message box once it is open, then presses the button titled `press`.
void whenOpen(const std::function<void(QMessageBox&)>& inspect, const QString& press) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(*box);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == press) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

} // namespace

TEST(QtAlertPresenterTest, ShowsPlainTextsAndAnswersTheChosenButton) {
    QtAlertPresenter presenter;
    const AlertContent alert{AlertStyle::Critical,
                             "⚠️ Suspicious <i>Activity</i>",
                             "Accessing your Camera.\n\n<b>evil</b> & co",
                             {"OK", "View Process Details"}};
    QString shownText;
    whenOpen(
        [&](QMessageBox& box) {
            EXPECT_EQ(box.icon(), QMessageBox::Critical);
            EXPECT_EQ(box.text(), alert.title);
            EXPECT_EQ(box.textFormat(), Qt::PlainText);
            QTextDocument document;
            document.setHtml(box.informativeText());
            shownText = document.toPlainText();
        },
        "View Process Details");
    EXPECT_EQ(presenter.runModal(alert), std::optional<int>(1));
    EXPECT_TRUE(shownText.startsWith("Accessing your Camera."));
    EXPECT_TRUE(shownText.endsWith("<b>evil</b> & co")); // shown as written, not in bold

    whenOpen([](QMessageBox&) {}, "OK");
    EXPECT_EQ(presenter.runModal(alert), std::optional<int>(0));
}
