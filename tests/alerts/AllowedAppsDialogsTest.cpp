#include "alerts/CheckboxAlertDialog.h"
#include "alerts/FileChooserDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Runs `act` on the modal dialog once it is open.
template <typename Dialog> void whenOpen(const std::function<void(Dialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

QPushButton* buttonTitled(QDialog& dialog, const QString& title) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

const AlertContent kSelection{AlertStyle::Informational,
                              "Allow <b>Cheese</b> to access:",
                              "Select which devices this app should be allowed to access without "
                              "notifications.",
                              {"Add", "Cancel"}};

} // namespace

TEST(CheckboxAlertDialogTest, AnswersTheButtonAndTheTickedBoxesInPlainText) {
    CheckboxAlertDialog presenter;
    QStringList boxes;
    Qt::TextFormat titleFormat = Qt::AutoText;
    whenOpen<QDialog>([&](QDialog& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text() == kSelection.title) {
                titleFormat = label->textFormat();
            }
        }
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            boxes.append(box->text());
            EXPECT_FALSE(box->isChecked());
            box->setChecked(box->text() == "Microphone");
        }
        QPushButton* add = buttonTitled(dialog, "Add");
        ASSERT_NE(add, nullptr);
        EXPECT_TRUE(add->isDefault());
        add->click();
    });
    const CheckboxAlertAnswer answer = presenter.runModal(kSelection, {"Camera", "Microphone"});
    EXPECT_EQ(boxes, (QStringList{"Camera", "Microphone"}));
    EXPECT_EQ(titleFormat, Qt::PlainText);
    EXPECT_EQ(answer.button, std::optional<int>(0));
    EXPECT_EQ(answer.checked, (QList<bool>{false, true}));

    whenOpen<QDialog>([](QDialog& dialog) { buttonTitled(dialog, "Cancel")->click(); });
    EXPECT_EQ(presenter.runModal(kSelection, {"Camera", "Microphone"}).button,
              std::optional<int>(1));

    // Closed without a button (Escape, the window's close button).
    whenOpen<QDialog>([](QDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(presenter.runModal(kSelection, {"Camera", "Microphone"}).button, std::nullopt);
}

TEST(FileChooserDialogTest, ReturnsTheChosenFileOrNothing) {
    QTemporaryDir root;
    const QString target = root.filePath("org.gnome.Cheese.desktop");
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = root.filePath("cheese-link.desktop");
    ASSERT_TRUE(QFile::link(target, link));

    FileChooserDialog chooser;
    const FileChooserRequest request{
        "Select Application to Allow", root.path(), {"Applications (*.desktop)"}};
    whenOpen<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), request.title);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.nameFilters(), request.nameFilters);
        EXPECT_EQ(dialog.directory().absolutePath(), root.path());
        dialog.selectFile(link);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    // A link stays the path the user chose: the desktop-file id comes from it.
    EXPECT_EQ(chooser.chooseFile(request), std::optional<QString>(link));

    whenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(chooser.chooseFile(request), std::nullopt);
}
