#include "activitylog/ActivityLogView.h"

#include "activitylog/ActivityLogTableModel.h"
#include "activitylog/ActivityLogTableView.h"
#include "activitylog/ActivityLogViewText.h"
#include "ui/IconCatalogue.h"

#include <QAction>
#include <QEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QColor kBlue(0x00, 0x7A, 0xFF);
const QColor kPurple(0xAF, 0x52, 0xDE);
const QColor kOrange(0xFF, 0x95, 0x00);
const QColor kGreen(0x34, 0xC7, 0x59);
const QColor kGray(0x8E, 0x8E, 0x93);

// Every text that can hold a name or path from another program is shown as it is.
QLabel* plainLabel(const QString& text = {}, QWidget* parent = nullptr) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPixmap symbolPixmap(const QString& symbol, int size, const QColor& color = {}) {
    QPixmap pixmap = IconCatalogue::icon(symbol).pixmap(size, size);
    if (color.isValid() && !pixmap.isNull()) {
        QPainter tint(&pixmap);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(pixmap.rect(), color);
    }
    return pixmap;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QFont scaledFont(const QFont& base, double factor, QFont::Weight weight = QFont::Normal) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

QString periodSymbol(LogRetentionPeriod period) {
    switch (period) {
    case LogRetentionPeriod::twentyFourHours:
        return QStringLiteral("clock");
    case LogRetentionPeriod::oneWeek:
        return QStringLiteral("calendar");
    case LogRetentionPeriod::oneMonth:
        return QStringLiteral("calendar.badge.clock");
    }
    return {};
}

struct StatisticCard {
    QString title;
    QString symbol;
    QColor color;
};

const StatisticCard kStatisticCards[] = {
    {QStringLiteral("Total Events"), QStringLiteral("list.bullet"), kBlue},
    {QStringLiteral("Camera"), QStringLiteral("video"), kPurple},
    {QStringLiteral("Microphone"), QStringLiteral("mic"), kOrange},
    {QStringLiteral("Apps"), QStringLiteral("app.connected.to.app.below.fill"), kGreen},
};

} // namespace

// One period of the picker: its symbol, name and use. The selected card is drawn on the
// accent colour with white text; the card under the pointer is tinted.
class ActivityLogView::PeriodCard final : public QWidget {
public:
    PeriodCard(LogRetentionPeriod period, std::function<void()> onClicked,
               std::function<void(bool)> onHover, QWidget* parent)
        : QWidget(parent), onClicked_(std::move(onClicked)), onHover_(std::move(onHover)) {
        setObjectName(QStringLiteral("periodCard_") + rawValue(period));
        setCursor(Qt::PointingHandCursor);
        setMinimumHeight(64);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(12, 8, 12, 8);
        layout->setSpacing(2);
        auto* titleRow = new QHBoxLayout;
        icon_ = new QLabel(this);
        icon_->setPixmap(symbolPixmap(periodSymbol(period), 16));
        title_ = plainLabel(displayName(period), this);
        title_->setFont(scaledFont(font(), 1.0, QFont::DemiBold));
        titleRow->addWidget(icon_);
        titleRow->addWidget(title_, 1);
        layout->addLayout(titleRow);
        description_ = plainLabel(usageDescription(period), this);
        description_->setWordWrap(true);
        description_->setFont(scaledFont(font(), 0.85));
        layout->addWidget(description_);
        layout->addStretch();
    }

    void setState(bool selected, bool hovered) {
        selected_ = selected;
        hovered_ = hovered;
        const QColor text = selected ? QColor(Qt::white) : palette().color(QPalette::Text);
        const QColor secondary = selected ? QColor(Qt::white) : kGray;
        setTextColor(title_, text);
        setTextColor(description_, secondary);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor accent = palette().color(QPalette::Highlight);
        QColor fill = palette().color(QPalette::Base);
        if (selected_) {
            fill = accent;
        } else if (hovered_) {
            fill = accent.lighter(185);
        }
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(shape, fill);
        painter.setPen(selected_ ? accent : palette().color(QPalette::Mid));
        painter.drawPath(shape);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            onClicked_();
        }
    }
    void enterEvent(QEnterEvent*) override { onHover_(true); }
    void leaveEvent(QEvent*) override { onHover_(false); }

private:
    std::function<void()> onClicked_;
    std::function<void(bool)> onHover_;
    QLabel* icon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* description_ = nullptr;
    bool selected_ = false;
    bool hovered_ = false;
};

ActivityLogView::ActivityLogView(const ActivityLogViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment), logger_(environment.logger) {
    model_ = new ActivityLogTableModel(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(14);
    layout->addWidget(makeHeader());
    layout->addWidget(makePeriodSelector());
    layout->addWidget(makeStatistics());
    layout->addWidget(makeControls());
    layout->addWidget(makePersistencePanel());
    layout->addWidget(makeActivityList(), 1);

    connect(&logger_, &ActivityLogger::logsChanged, this, [this] { refreshAll(); });
    connect(&logger_, &ActivityLogger::isLoggingChanged, this, [this] { refreshStatus(); });
    connect(&logger_, &ActivityLogger::pendingSaveCountChanged, this, [this] {
        refreshStatus();
        refreshPersistencePanel();
    });
    refreshAll();
}

ActivityLogView::~ActivityLogView() = default;

QWidget* ActivityLogView::makeHeader() {
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* titles = new QVBoxLayout;
    QLabel* title = plainLabel(QStringLiteral("Device Activity Log"), header);
    title->setFont(scaledFont(font(), 1.6, QFont::Bold));
    QLabel* subtitle =
        plainLabel(QStringLiteral("Monitor microphone and camera usage patterns"), header);
    setTextColor(subtitle, kGray);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    layout->addLayout(titles);
    layout->addStretch();

    loggingDot_ = plainLabel(QStringLiteral("●"), header);
    loggingText_ = plainLabel({}, header);
    loggingText_->setObjectName(QStringLiteral("loggingStatus"));
    saveStateIcon_ = new QLabel(header);
    saveStateText_ = plainLabel({}, header);
    saveStateText_->setObjectName(QStringLiteral("saveState"));
    layout->addWidget(loggingDot_);
    layout->addWidget(loggingText_);
    layout->addSpacing(12);
    layout->addWidget(saveStateIcon_);
    layout->addWidget(saveStateText_);
    return header;
}

QWidget* ActivityLogView::makePeriodSelector() {
    auto* selector = new QWidget(this);
    auto* layout = new QHBoxLayout(selector);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    QLabel* label = plainLabel(QStringLiteral("Time Period:"), selector);
    label->setFont(scaledFont(font(), 1.0, QFont::DemiBold));
    layout->addWidget(label);
    for (const LogRetentionPeriod period : kAllLogRetentionPeriods) {
        auto* card = new PeriodCard(
            period, [this, period] { setSelectedPeriod(period); },
            [this, period](bool inside) {
                if (inside) {
                    hoveredPeriod_ = period;
                } else if (hoveredPeriod_ == period) {
                    hoveredPeriod_.reset();
                }
                refreshPeriodCards();
            },
            selector);
        periodCards_.append(card);
        layout->addWidget(card, 1);
    }
    return selector;
}

QWidget* ActivityLogView::makeStatistics() {
    auto* statistics = new QWidget(this);
    auto* layout = new QHBoxLayout(statistics);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    for (const StatisticCard& card : kStatisticCards) {
        auto* frame = new QFrame(statistics);
        frame->setFrameShape(QFrame::StyledPanel);
        auto* cardLayout = new QVBoxLayout(frame);
        cardLayout->setContentsMargins(12, 8, 12, 8);
        auto* top = new QHBoxLayout;
        auto* icon = new QLabel(frame);
        icon->setPixmap(symbolPixmap(card.symbol, 18, card.color));
        QLabel* value = plainLabel(QStringLiteral("0"), frame);
        value->setObjectName(QStringLiteral("statValue_") + card.title);
        value->setFont(scaledFont(font(), 1.6, QFont::Bold));
        setTextColor(value, card.color);
        top->addWidget(icon);
        top->addStretch();
        top->addWidget(value);
        cardLayout->addLayout(top);
        QLabel* title = plainLabel(card.title, frame);
        setTextColor(title, kGray);
        cardLayout->addWidget(title);
        statisticValues_.append(value);
        layout->addWidget(frame, 1);
    }
    return statistics;
}

QWidget* ActivityLogView::makeControls() {
    auto* controls = new QWidget(this);
    auto* layout = new QHBoxLayout(controls);
    layout->setContentsMargins(0, 0, 0, 0);

    deviceMenuButton_ = new QToolButton(controls);
    deviceMenuButton_->setObjectName(QStringLiteral("deviceMenu"));
    deviceMenuButton_->setPopupMode(QToolButton::InstantPopup);
    deviceMenuButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    deviceMenuButton_->setText(QStringLiteral("Device: All Devices"));
    auto* menu = new QMenu(deviceMenuButton_);
    menu->addAction(QStringLiteral("All Devices"), this, [this] { setSelectedDevice({}); });
    menu->addSeparator();
    for (const DeviceType device : kAllDeviceTypes) {
        menu->addAction(rawValue(device), this, [this, device] { setSelectedDevice(device); });
    }
    deviceMenuButton_->setMenu(menu);
    layout->addWidget(deviceMenuButton_);

    searchField_ = new QLineEdit(controls);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setPlaceholderText(QStringLiteral("Search apps..."));
    searchField_->setFixedWidth(200);
    searchField_->setClearButtonEnabled(true);
    searchField_->addAction(IconCatalogue::icon(QStringLiteral("magnifyingglass")),
                            QLineEdit::LeadingPosition);
    connect(searchField_, &QLineEdit::textChanged, this, [this] { refreshList(); });
    layout->addWidget(searchField_);
    layout->addStretch();

    auto addButton = [&](const QString& title, const QString& symbol, const QString& name,
                         void (ActivityLogView::*action)()) {
        auto* button = new QPushButton(IconCatalogue::icon(symbol), title, controls);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, action);
        layout->addWidget(button);
        return button;
    };
    addButton(QStringLiteral("Export"), QStringLiteral("square.and.arrow.up"),
              QStringLiteral("exportButton"), &ActivityLogView::exportLogs);
    saveNowButton_ = addButton(QStringLiteral("Save Now"), QStringLiteral("square.and.arrow.down"),
                               QStringLiteral("saveNowButton"), &ActivityLogView::saveNow);
    addButton(QStringLiteral("Clear"), QStringLiteral("trash"), QStringLiteral("clearButton"),
              &ActivityLogView::clearLogs);

    infoButton_ = new QToolButton(controls);
    infoButton_->setObjectName(QStringLiteral("infoButton"));
    infoButton_->setCheckable(true);
    infoButton_->setAutoRaise(true);
    infoButton_->setIcon(IconCatalogue::icon(QStringLiteral("info.circle")));
    connect(infoButton_, &QToolButton::toggled, this,
            [this](bool checked) { setShowingDebugInfo(checked); });
    layout->addWidget(infoButton_);
    return controls;
}

QWidget* ActivityLogView::makePersistencePanel() {
    persistencePanel_ = new QFrame(this);
    persistencePanel_->setObjectName(QStringLiteral("persistencePanel"));
    static_cast<QFrame*>(persistencePanel_)->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(persistencePanel_);
    QLabel* title = plainLabel(QStringLiteral("Persistence Information"), persistencePanel_);
    title->setFont(scaledFont(font(), 1.0, QFont::DemiBold));
    layout->addWidget(title);

    auto* rows = new QGridLayout;
    rows->setColumnStretch(1, 1);
    rows->setHorizontalSpacing(16);
    int row = 0;
    auto addRow = [&](const QString& name, QWidget* value) {
        QLabel* label = plainLabel(name, persistencePanel_);
        setTextColor(label, kGray);
        rows->addWidget(label, row, 0);
        rows->addWidget(value, row, 1, Qt::AlignLeft);
        ++row;
    };
    fileStatusValue_ = plainLabel({}, persistencePanel_);
    fileStatusValue_->setObjectName(QStringLiteral("fileStatusValue"));
    fileSizeValue_ = plainLabel({}, persistencePanel_);
    fileSizeValue_->setObjectName(QStringLiteral("fileSizeValue"));
    lastSavedValue_ = plainLabel({}, persistencePanel_);
    lastSavedValue_->setObjectName(QStringLiteral("lastSavedValue"));
    memoryValue_ = plainLabel({}, persistencePanel_);
    memoryValue_->setObjectName(QStringLiteral("memoryValue"));
    auto* showButton = new QPushButton(QStringLiteral("Show in File Manager"), persistencePanel_);
    showButton->setObjectName(QStringLiteral("showLogFileButton"));
    showButton->setFlat(true);
    connect(showButton, &QPushButton::clicked, this, &ActivityLogView::showLogFileInFileManager);
    addRow(QStringLiteral("File Status"), fileStatusValue_);
    addRow(QStringLiteral("File Size"), fileSizeValue_);
    addRow(QStringLiteral("Last Saved"), lastSavedValue_);
    addRow(QStringLiteral("Memory vs Disk"), memoryValue_);
    addRow(QStringLiteral("File Location"), showButton);
    layout->addLayout(rows);
    persistencePanel_->setVisible(false);
    return persistencePanel_;
}

QWidget* ActivityLogView::makeActivityList() {
    listStack_ = new QStackedWidget(this);
    listStack_->setObjectName(QStringLiteral("activityList"));

    auto* empty = new QWidget(listStack_);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addStretch();
    auto* icon = new QLabel(empty);
    icon->setPixmap(symbolPixmap(QStringLiteral("clock.badge.questionmark"), 48, kGray));
    icon->setAlignment(Qt::AlignCenter);
    QLabel* heading = plainLabel(QStringLiteral("No activity found"), empty);
    heading->setFont(scaledFont(font(), 1.3, QFont::DemiBold));
    heading->setAlignment(Qt::AlignCenter);
    emptyStateText_ = plainLabel({}, empty);
    emptyStateText_->setObjectName(QStringLiteral("emptyStateText"));
    emptyStateText_->setAlignment(Qt::AlignCenter);
    setTextColor(emptyStateText_, kGray);
    emptyLayout->addWidget(icon);
    emptyLayout->addWidget(heading);
    emptyLayout->addWidget(emptyStateText_);
    emptyLayout->addStretch();
    listStack_->addWidget(empty);

    table_ = new ActivityLogTableView(model_, listStack_);
    table_->setObjectName(QStringLiteral("activityTable"));
    listStack_->addWidget(table_);
    return listStack_;
}

QString ActivityLogView::searchText() const {
    return searchField_->text();
}

void ActivityLogView::setSelectedPeriod(LogRetentionPeriod period) {
    if (period == selectedPeriod_) {
        return;
    }
    selectedPeriod_ = period;
    refreshPeriodCards();
    refreshStatistics();
    refreshList();
}

void ActivityLogView::setSelectedDevice(std::optional<DeviceType> device) {
    selectedDevice_ = device;
    deviceMenuButton_->setText(QStringLiteral("Device: ") +
                               (device ? rawValue(*device) : QStringLiteral("All Devices")));
    refreshList();
}

void ActivityLogView::setSearchText(const QString& text) {
    // The field announces the change, which filters the list.
    searchField_->setText(text);
}

void ActivityLogView::setShowingDebugInfo(bool showing) {
    showingDebugInfo_ = showing;
    if (infoButton_->isChecked() != showing) {
        infoButton_->setChecked(showing);
    }
    infoButton_->setIcon(IconCatalogue::icon(showing ? QStringLiteral("info.circle.fill")
                                                     : QStringLiteral("info.circle")));
    persistencePanel_->setVisible(showing);
    if (showing) {
        refreshPersistencePanel();
        panelClock_ = environment_.runLoop.scheduleRepeating(1.0, [this] {
            lastSavedValue_->setText(relativeSaveTimeText(logger_.getLogFileInfo().lastModified,
                                                          environment_.runLoop.now()));
        });
    } else {
        panelClock_.cancel();
    }
}

void ActivityLogView::exportLogs() {
    const std::optional<QString> path = logger_.exportLogs(selectedPeriod_);
    if (!path) {
        return; // the store logged why
    }
    exportedFileURL_ = path;
    showingExportAlert_ = true;
    const std::optional<int> choice = environment_.alerts.runModal(
        {AlertStyle::Informational,
         QStringLiteral("Activity Log Exported"),
         QStringLiteral("Activity log exported to:\n") + QFileInfo(*path).fileName(),
         {QStringLiteral("Show in File Manager"), QStringLiteral("OK")}});
    showingExportAlert_ = false;
    if (choice == 0) {
        environment_.fileBrowser.revealFile(*path);
    }
}

void ActivityLogView::saveNow() {
    logger_.forceSave();
    // forceSave announces nothing when nothing was pending; the file may still be new.
    refreshStatus();
    refreshPersistencePanel();
}

void ActivityLogView::clearLogs() {
    logger_.clearAllLogs();
}

void ActivityLogView::showLogFileInFileManager() {
    environment_.fileBrowser.revealFile(logger_.logFilePath());
}

void ActivityLogView::refreshAll() {
    refreshStatus();
    refreshPeriodCards();
    refreshStatistics();
    refreshPersistencePanel();
    refreshList();
}

void ActivityLogView::refreshStatus() {
    const bool logging = logger_.isLogging();
    setTextColor(loggingDot_, logging ? kGreen : kGray);
    loggingText_->setText(logging ? QStringLiteral("Logging Active")
                                  : QStringLiteral("Logging Stopped"));

    const LogFileInfo info = logger_.getLogFileInfo();
    if (info.pendingSaves >= 1) {
        saveStateIcon_->setPixmap(symbolPixmap(QStringLiteral("clock"), 14, kOrange));
        saveStateText_->setText(QStringLiteral("%1 pending").arg(info.pendingSaves));
        setTextColor(saveStateText_, kOrange);
    } else if (info.fileExists) {
        saveStateIcon_->setPixmap(
            symbolPixmap(QStringLiteral("checkmark.circle.fill"), 14, kGreen));
        saveStateText_->setText(QStringLiteral("Saved"));
        setTextColor(saveStateText_, kGreen);
    } else {
        saveStateIcon_->clear();
        saveStateText_->clear();
    }
    saveStateIcon_->setVisible(info.pendingSaves >= 1 || info.fileExists);
    saveNowButton_->setEnabled(info.pendingSaves != 0);
}

void ActivityLogView::refreshPeriodCards() {
    for (qsizetype i = 0; i < periodCards_.size(); ++i) {
        const LogRetentionPeriod period = kAllLogRetentionPeriods[size_t(i)];
        periodCards_[i]->setState(period == selectedPeriod_, hoveredPeriod_ == period);
    }
}

void ActivityLogView::refreshStatistics() {
    const ActivitySummary summary = logger_.getActivitySummary(selectedPeriod_);
    const int values[] = {summary.totalEvents, summary.cameraActivations,
                          summary.microphoneActivations, summary.uniqueProcesses};
    for (qsizetype i = 0; i < statisticValues_.size(); ++i) {
        statisticValues_[i]->setText(QString::number(values[i]));
    }
}

void ActivityLogView::refreshPersistencePanel() {
    if (!showingDebugInfo_) {
        return;
    }
    const LogFileInfo info = logger_.getLogFileInfo();
    fileStatusValue_->setText(info.fileExists ? QStringLiteral("✅ File exists")
                                              : QStringLiteral("❌ No file"));
    fileSizeValue_->setText(fileSizeText(info.fileSize));
    lastSavedValue_->setText(relativeSaveTimeText(info.lastModified, environment_.runLoop.now()));
    memoryValue_->setText(QStringLiteral("%1 logs").arg(info.logCount));
}

void ActivityLogView::refreshList() {
    model_->setEntries(ActivityLogTableModel::filteredEntries(
        logger_.getLogs(selectedPeriod_), selectedDevice_, searchField_->text()));
    if (model_->rowCount() > 0) {
        listStack_->setCurrentWidget(table_);
        return;
    }
    emptyStateText_->setText(
        logger_.logs().isEmpty()
            ? QStringLiteral("No device activity has been logged yet")
            : QStringLiteral("No activity found for the selected time period and filters"));
    listStack_->setCurrentIndex(0);
}

} // namespace ostrel
