#include "alerts/CheckboxAlertDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace ostrel {

namespace {

QStyle::StandardPixmap pixmapFor(AlertStyle style) {
    switch (style) {
    case AlertStyle::Informational:
        return QStyle::SP_MessageBoxInformation;
    case AlertStyle::Warning:
        return QStyle::SP_MessageBoxWarning;
    case AlertStyle::Critical:
        return QStyle::SP_MessageBoxCritical;
    }
    return QStyle::SP_MessageBoxInformation;
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    return label;
}

} // namespace

CheckboxAlertAnswer CheckboxAlertDialog::runModal(const AlertContent& alert,
                                                  const QStringList& checkboxTitles) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("Ostrel"));
    dialog.setWindowModality(Qt::ApplicationModal);

    auto* layout = new QHBoxLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    const int iconSize = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog.style()->standardIcon(pixmapFor(alert.style)).pixmap(iconSize));
    layout->addWidget(icon, 0, Qt::AlignTop);

    auto* content = new QVBoxLayout;
    QLabel* title = plainLabel(alert.title, &dialog);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    content->addWidget(title);
    content->addWidget(plainLabel(alert.informativeText, &dialog));

    auto* accessory = new QWidget(&dialog);
    accessory->setMinimumSize(200, 80);
    auto* boxes = new QVBoxLayout(accessory);
    QList<QCheckBox*> checkboxes;
    for (const QString& boxTitle : checkboxTitles) {
        auto* checkbox = new QCheckBox(boxTitle, accessory);
        checkboxes.append(checkbox);
        boxes->addWidget(checkbox);
    }
    boxes->addStretch();
    content->addWidget(accessory);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    std::optional<int> chosen;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        auto* button = new QPushButton(alert.buttons[i], &dialog);
        button->setDefault(i == 0);
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &chosen, i] {
            chosen = int(i);
            dialog.accept();
        });
        buttonRow->addWidget(button);
    }
    content->addLayout(buttonRow);
    layout->addLayout(content, 1);

    dialog.exec();

    CheckboxAlertAnswer answer;
    answer.button = chosen;
    for (const QCheckBox* checkbox : checkboxes) {
        answer.checked.append(checkbox->isChecked());
    }
    return answer;
}

} // namespace ostrel
