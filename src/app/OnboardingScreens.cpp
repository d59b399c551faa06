#include "app/OnboardingScreens.h"

#include "ui/IconCatalogue.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {

struct Screen {
    QWidget* page;
    QVBoxLayout* body;
    QHBoxLayout* buttons;
};

QLabel* textLabel(const QString& text, int pointSize, bool bold = false, bool secondary = false) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(true);
    if (secondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
        label->setPalette(palette);
    }
    return label;
}

QLabel* iconLabel(const QIcon& icon, int size) {
    auto* label = new QLabel;
    label->setPixmap(icon.pixmap(size, size));
    label->setFixedSize(size, size);
    return label;
}

// A screen: title and subtitle at the top, the body, and the buttons at the bottom.
Screen makeScreen(const QString& objectName, const QString& title, const QString& subtitle,
                  const QIcon& heroIcon = {}) {
    auto* page = new QWidget;
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(40, 24, 40, 30);
    layout->setSpacing(16);
    if (!heroIcon.isNull()) {
        layout->addWidget(iconLabel(heroIcon, 80), 0, Qt::AlignHCenter);
    }
    QLabel* titleLabel = textLabel(title, 22, true);
    titleLabel->setAlignment(Qt::AlignHCenter);
    layout->addWidget(titleLabel);
    QLabel* subtitleLabel = textLabel(subtitle, 13, false, true);
    subtitleLabel->setAlignment(Qt::AlignHCenter);
    layout->addWidget(subtitleLabel);
    auto* body = new QVBoxLayout;
    body->setSpacing(14);
    layout->addLayout(body);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    layout->addLayout(buttons);
    return {page, body, buttons};
}

// A feature: its icon, title and description, and optionally a status on the right.
QWidget* featureRow(const QString& symbol, const QString& title, const QString& description,
                    QLabel* status = nullptr) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(iconLabel(IconCatalogue::icon(symbol), 28), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(textLabel(title, 12, true));
    texts->addWidget(textLabel(description, 11, false, true));
    layout->addLayout(texts, 1);
    if (status) {
        layout->addWidget(status, 0, Qt::AlignVCenter);
    }
    return row;
}

QPushButton* button(const QString& text, bool primary) {
    auto* pushButton = new QPushButton(text);
    pushButton->setMinimumWidth(primary ? 180 : 100);
    pushButton->setMinimumHeight(32);
    // Enter presses the button with the focus, else the screen's main (default) button.
    pushButton->setDefault(primary);
    pushButton->setAutoDefault(true);
    return pushButton;
}

void addBackButton(Screen& screen, OnboardingFlow& flow) {
    QPushButton* back = button(QStringLiteral("Back"), false);
    QObject::connect(back, &QPushButton::clicked, &flow, [&flow] { flow.previousStep(); });
    screen.buttons->addWidget(back);
    screen.buttons->addStretch();
}

void addNextButton(Screen& screen, OnboardingFlow& flow, const QString& text) {
    QPushButton* next = button(text, true);
    QObject::connect(next, &QPushButton::clicked, &flow, [&flow] { flow.nextStep(); });
    screen.buttons->addWidget(next);
}

QFrame* card() {
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::AlternateBase));
    frame->setPalette(palette);
    return frame;
}

// One stage of the "how it works" diagram.
QWidget* diagramStage(const QIcon& icon, const QString& caption) {
    auto* stage = new QWidget;
    auto* layout = new QVBoxLayout(stage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(iconLabel(icon, 44), 0, Qt::AlignHCenter);
    QLabel* label = textLabel(caption, 11, true);
    label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(label);
    return stage;
}

struct PermissionTexts {
    QString screenTitle;
    QString symbol;
    QString title;
    QString need;
    QString why;
    QString weDo;
    QString weDoNot;
};

PermissionTexts permissionTexts(PermissionType type) {
    switch (type) {
    case PermissionType::microphone:
        return {QStringLiteral("Microphone Access"),
                QStringLiteral("mic.fill"),
                QStringLiteral("Microphone Permission"),
                QStringLiteral("Access to monitor microphone usage"),
                QStringLiteral("To detect when other apps are secretly listening"),
                QStringLiteral("Monitor access patterns, not record audio"),
                QStringLiteral("We never record, store, or transmit your conversations")};
    case PermissionType::camera:
        return {QStringLiteral("Camera Access"),
                QStringLiteral("video.fill"),
                QStringLiteral("Camera Permission"),
                QStringLiteral("Access to monitor camera usage"),
                QStringLiteral("To detect when other apps activate your camera"),
                QStringLiteral("Monitor device status and usage patterns"),
                QStringLiteral("We never capture, store, or view your camera feed")};
    case PermissionType::notifications:
        break;
    }
    return {QStringLiteral("Notification Access"),
            QStringLiteral("bell.fill"),
            QStringLiteral("Notification Permission"),
            QStringLiteral("Permission to send security alerts"),
            QStringLiteral("To immediately warn you of unauthorized access"),
            QStringLiteral("Send privacy alerts and security notifications"),
            QStringLiteral("We never send marketing or promotional notifications")};
}

} // namespace

QWidget* makeWelcomeScreen(OnboardingFlow& flow) {
    Screen screen =
        makeScreen(QStringLiteral("WelcomeScreen"), QStringLiteral("Ostrel"),
                   QStringLiteral("Your Personal Privacy Sentinel"), IconCatalogue::ostrelIcon());
    QLabel* text = textLabel(
        QStringLiteral("Monitor and control which apps access your microphone and camera"), 13);
    text->setAlignment(Qt::AlignHCenter);
    screen.body->addWidget(text);
    screen.body->addSpacing(12);
    screen.body->addWidget(
        featureRow(QStringLiteral("eye.fill"), QStringLiteral("Real-time Monitoring"),
                   QStringLiteral("Instantly know when apps access your devices")));
    screen.body->addWidget(
        featureRow(QStringLiteral("bell.badge.fill"), QStringLiteral("Smart Alerts"),
                   QStringLiteral("Get notified about unauthorized access attempts")));
    screen.body->addWidget(featureRow(QStringLiteral("lock.shield.fill"),
                                      QStringLiteral("Complete Control"),
                                      QStringLiteral("Decide which apps can access your privacy")));
    screen.buttons->addStretch();
    addNextButton(screen, flow, QStringLiteral("Get Started"));
    screen.buttons->addStretch();
    return screen.page;
}

QWidget* makeHowItWorksScreen(OnboardingFlow& flow) {
    Screen screen =
        makeScreen(QStringLiteral("HowItWorksScreen"), QStringLiteral("How Ostrel Works"),
                   QStringLiteral("Understanding the protection process"));
    QFrame* diagram = card();
    auto* stages = new QHBoxLayout(diagram);
    stages->setContentsMargins(20, 16, 20, 16);
    stages->addWidget(
        diagramStage(IconCatalogue::icon(QStringLiteral("exclamationmark.triangle.fill")),
                     QStringLiteral("Suspicious App")));
    stages->addWidget(textLabel(QStringLiteral("→"), 20, true));
    stages->addWidget(diagramStage(IconCatalogue::ostrelIcon(), QStringLiteral("Ostrel")));
    stages->addWidget(textLabel(QStringLiteral("→"), 20, true));
    stages->addWidget(diagramStage(IconCatalogue::icon(QStringLiteral("bell.badge.fill")),
                                   QStringLiteral("You're Notified")));
    screen.body->addWidget(diagram);
    screen.body->addWidget(featureRow(
        QStringLiteral("shield.lefthalf.filled"), QStringLiteral("Real-time Protection"),
        QStringLiteral(
            "Monitors device access in real-time, detecting unauthorized usage instantly")));
    screen.body->addWidget(featureRow(
        QStringLiteral("bell.circle.fill"), QStringLiteral("Instant Alerts"),
        QStringLiteral("Immediate notifications when apps start using your camera or microphone")));
    screen.body->addWidget(featureRow(
        QStringLiteral("hand.raised.fill"), QStringLiteral("Complete Control"),
        QStringLiteral("You decide which apps are trusted and which should be blocked")));
    screen.body->addWidget(
        featureRow(QStringLiteral("chart.bar.fill"), QStringLiteral("Usage Tracking"),
                   QStringLiteral("Detailed logs of which apps accessed your devices and when")));
    addBackButton(screen, flow);
    addNextButton(screen, flow, QStringLiteral("Continue"));
    return screen.page;
}

QWidget* makePermissionCard(OnboardingFlow& flow, PermissionType type) {
    const PermissionTexts texts = permissionTexts(type);
    QFrame* frame = card();
    frame->setObjectName(QStringLiteral("PermissionCard"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(iconLabel(IconCatalogue::icon(texts.symbol), 36));
    header->addWidget(textLabel(texts.title, 15, true), 1);
    QLabel* badge = textLabel(QString(), 11, true);
    badge->setObjectName(QStringLiteral("PermissionStatusBadge"));
    badge->setWordWrap(false);
    header->addWidget(badge);
    layout->addLayout(header);

    auto* details = new QGridLayout;
    details->setHorizontalSpacing(12);
    details->setVerticalSpacing(8);
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("What we need:"), texts.need},
        {QStringLiteral("Why we need it:"), texts.why},
        {QStringLiteral("What we do:"), texts.weDo},
        {QStringLiteral("What we don't do:"), texts.weDoNot},
    };
    int row = 0;
    for (const auto& [caption, text] : rows) {
        QLabel* captionLabel = textLabel(caption, 11, true);
        captionLabel->setWordWrap(false);
        details->addWidget(captionLabel, row, 0, Qt::AlignTop);
        details->addWidget(textLabel(text, 11), row, 1);
        ++row;
    }
    details->setColumnStretch(1, 1);
    layout->addLayout(details);

    QLabel* note = textLabel(QString(), 11);
    layout->addWidget(note);
    QPushButton* grant = button(QStringLiteral("Grant"), false);
    grant->setObjectName(QStringLiteral("PermissionCardButton"));
    layout->addWidget(grant, 0, Qt::AlignRight);
    QObject::connect(grant, &QPushButton::clicked, &flow,
                     [&flow, type] { flow.requestPermission(type); });

    auto refresh = [&flow, type, badge, grant, note] {
        note->setText(flow.note(type));
        note->setVisible(!note->text().isEmpty());
        badge->setText(flow.statusBadgeText(type));
        QPalette palette = badge->palette();
        palette.setColor(QPalette::WindowText, flow.isGranted(type)  ? QColor(0x2e, 0x9e, 0x4f)
                                               : flow.isDenied(type) ? QColor(0xd0, 0x3b, 0x30)
                                                                     : QColor(0xe0, 0x8a, 0x00));
        badge->setPalette(palette);
        grant->setText(flow.isRequestingPermission() ? QStringLiteral("Requesting...")
                                                     : QStringLiteral("Grant"));
        grant->setEnabled(!flow.isRequestingPermission() && !flow.isGranted(type));
    };
    refresh();
    QObject::connect(&flow, &OnboardingFlow::changed, frame, refresh);
    return frame;
}

QWidget* makePermissionStepScreen(OnboardingFlow& flow, PermissionType type) {
    Screen screen =
        makeScreen(QStringLiteral("PermissionStepScreen"), permissionTexts(type).screenTitle,
                   QStringLiteral("To protect your privacy, we need to monitor device usage."));
    screen.body->addWidget(makePermissionCard(flow, type));
    addBackButton(screen, flow);
    QPushButton* main = button(QString(), true);
    main->setObjectName(QStringLiteral("PermissionMainButton"));
    QObject::connect(main, &QPushButton::clicked, &flow,
                     [&flow, type] { flow.mainButtonAction(type); });
    screen.buttons->addWidget(main);
    auto refresh = [&flow, type, main] {
        main->setText(flow.mainButtonTitle(type));
        main->setEnabled(!flow.isRequestingPermission());
    };
    refresh();
    QObject::connect(&flow, &OnboardingFlow::changed, main, refresh);
    return screen.page;
}

QWidget* makeMenuBarExplanationScreen(OnboardingFlow& flow) {
    Screen screen = makeScreen(
        QStringLiteral("MenuBarExplanationScreen"), QStringLiteral("Ostrel Lives in Your Tray"),
        QStringLiteral("Access all controls and view activity from the system tray"));
    // A picture of the panel: Ostrel's tray icon beside the battery and the clock.
    auto* panel = new QFrame;
    panel->setAutoFillBackground(true);
    QPalette panelPalette = panel->palette();
    panelPalette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    panelPalette.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(panelPalette);
    panel->setFixedHeight(30);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(12, 0, 12, 0);
    panelLayout->setSpacing(14);
    panelLayout->addStretch();
    panelLayout->addWidget(iconLabel(IconCatalogue::statusIcon(false), 18));
    for (const QString& text : {QStringLiteral("100%"), QStringLiteral("2:30 PM")}) {
        QLabel* label = textLabel(text, 11);
        label->setWordWrap(false);
        label->setPalette(panelPalette);
        panelLayout->addWidget(label);
    }
    screen.body->addWidget(panel);
    // The pointer ends under the tray icon, left of the battery and the clock.
    auto* pointerRow = new QHBoxLayout;
    pointerRow->addStretch();
    QLabel* pointer = textLabel(QStringLiteral("Click here to access Ostrel"), 11, true);
    pointer->setWordWrap(false);
    pointerRow->addWidget(pointer);
    pointerRow->addWidget(textLabel(QStringLiteral("↑"), 14, true));
    pointerRow->addSpacing(panelLayout->contentsMargins().right() + 133);
    screen.body->addLayout(pointerRow);
    screen.body->addWidget(
        featureRow(QStringLiteral("shield.lefthalf.filled"), QStringLiteral("Quick Status Check"),
                   QStringLiteral("See if your devices are being monitored at a glance")));
    screen.body->addWidget(
        featureRow(QStringLiteral("list.bullet.rectangle"), QStringLiteral("View Activity Logs"),
                   QStringLiteral("Check which apps have accessed your camera and microphone")));
    screen.body->addWidget(
        featureRow(QStringLiteral("gear"), QStringLiteral("Adjust Settings"),
                   QStringLiteral("Configure notifications and privacy preferences")));
    screen.body->addWidget(
        featureRow(QStringLiteral("hand.raised.slash"), QStringLiteral("Block Applications"),
                   QStringLiteral("Manage which apps are allowed to access your devices")));
    // GNOME without a tray extension, among others, shows no tray icon at all.
    QLabel* noTray = textLabel(QStringLiteral("No tray on your desktop? Open Ostrel again from "
                                              "the application menu: its window offers all of "
                                              "this too."),
                               11, false, true);
    screen.body->addWidget(noTray);
    addBackButton(screen, flow);
    addNextButton(screen, flow, QStringLiteral("Got It!"));
    return screen.page;
}

QWidget* makeSetupCompleteScreen(OnboardingFlow& flow) {
    Screen screen =
        makeScreen(QStringLiteral("SetupCompleteScreen"), QStringLiteral("You're All Set!"),
                   QStringLiteral("Ostrel is ready to protect your devices"),
                   IconCatalogue::icon(QStringLiteral("checkmark.shield.fill")));
    screen.body->addWidget(textLabel(QStringLiteral("Active Protection Features"), 14, true));
    auto status = [](const QString& text) {
        QLabel* label = textLabel(text, 11, true);
        label->setWordWrap(false);
        return label;
    };
    QLabel* alertsStatus = status(QString());
    screen.body->addWidget(featureRow(QStringLiteral("shield.checkered"),
                                      QStringLiteral("Real-time Monitoring"),
                                      QStringLiteral("Detecting device access in the background"),
                                      status(QStringLiteral("Active"))));
    screen.body->addWidget(
        featureRow(QStringLiteral("bell.badge.fill"), QStringLiteral("Security Alerts"),
                   QStringLiteral("Instant notifications for unauthorized access"), alertsStatus));
    screen.body->addWidget(featureRow(
        QStringLiteral("chart.line.uptrend.xyaxis"), QStringLiteral("Usage Tracking"),
        QStringLiteral("Comprehensive logs of device access"), status(QStringLiteral("Active"))));
    screen.body->addWidget(featureRow(
        QStringLiteral("gear.badge.checkmark"), QStringLiteral("Smart Controls"),
        QStringLiteral("Customizable privacy preferences"), status(QStringLiteral("Ready"))));
    // Alerts reach the user only once the desktop lets Ostrel post them.
    auto refresh = [&flow, alertsStatus] {
        alertsStatus->setText(flow.isGranted(PermissionType::notifications)
                                  ? QStringLiteral("Ready")
                                  : QStringLiteral("Pending"));
    };
    refresh();
    QObject::connect(&flow, &OnboardingFlow::changed, alertsStatus, refresh);
    screen.buttons->addStretch();
    addNextButton(screen, flow, QStringLiteral("Start Protecting My Privacy"));
    screen.buttons->addStretch();
    return screen.page;
}

} // namespace ostrel
