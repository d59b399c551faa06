#include "ui/QtAlertPresenter.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

namespace ostrel {

namespace {

QMessageBox::Icon iconFor(AlertStyle style) {
    switch (style) {
    case AlertStyle::Informational:
        return QMessageBox::Information;
    case AlertStyle::Warning:
        return QMessageBox::Warning;
    case AlertStyle::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

std::optional<int> QtAlertPresenter::runModal(const AlertContent& alert) {
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Ostrel"));
    box.setIcon(iconFor(alert.style));
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.title);
    // The informative text has no format of its own: handing it over as rich text made from
    // the plain text keeps process names in it from being read as markup.
    box.setInformativeText(Qt::convertFromPlainText(alert.informativeText, Qt::WhiteSpaceNormal));
    // Left alone, a sentence or two wraps to the width of a short title, a few words a line.
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setMinimumWidth(320);
    }

    QList<QPushButton*> buttons;
    for (const QString& title : alert.buttons) {
        buttons.append(box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole
                                                              : QMessageBox::ActionRole));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(buttons.first());
    }
    // Escape may only dismiss an alert that offers nothing else: where the first button acts
    // (opens settings, reveals a file), the user chooses it on purpose.
    if (buttons.size() == 1) {
        box.setEscapeButton(buttons.first());
    }
    box.exec();

    const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen < 0 ? std::nullopt : std::optional<int>(int(chosen));
}

} // namespace ostrel
