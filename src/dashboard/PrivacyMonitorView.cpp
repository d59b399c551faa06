#include "dashboard/PrivacyMonitorView.h"

#include "dashboard/ActiveProcessRow.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/RecentActivityRow.h"
#include "ui/IconCatalogue.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int kEmptySymbolSize = 48;

QLabel* label(const QString& text, QWidget* parent, const QString& style = QString()) {
    auto* result = new QLabel(text, parent);
    result->setTextFormat(Qt::PlainText);
    if (!style.isEmpty()) {
        result->setStyleSheet(style);
    }
    return result;
}

QLabel* symbolLabel(const QString& symbol, int size, QWidget* parent) {
    auto* result = new QLabel(parent);
    result->setPixmap(
        IconCatalogue::icon(symbol).pixmap(QSize(size, size), result->devicePixelRatioF()));
    result->setAlignment(Qt::AlignCenter);
    return result;
}

// A symbol, a heading and a line of text, centred: what an empty section shows.
QWidget* emptyState(const QString& symbol, const QString& heading, QLabel* detail) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addWidget(symbolLabel(symbol, kEmptySymbolSize, page));
    auto* title = label(heading, page, QStringLiteral("font-size: 18px; font-weight: 600;"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    detail->setParent(page);
    detail->setAlignment(Qt::AlignCenter);
    detail->setWordWrap(true);
    detail->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    layout->addWidget(detail);
    layout->addStretch();
    return page;
}

// A scrolling column of rows with the rows at the top.
QScrollArea* rowList(QVBoxLayout** layout) {
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    *layout = new QVBoxLayout(content);
    (*layout)->setContentsMargins(0, 0, 4, 0);
    (*layout)->setSpacing(8);
    (*layout)->addStretch();
    area->setWidget(content);
    return area;
}

// Keeps exactly `count` row widgets in the list, reusing those it has.
template <typename Row>
void resizeRows(std::vector<Row*>& rows, QVBoxLayout* layout, size_t count,
                const std::function<void(Row*)>& connectRow = {}) {
    while (rows.size() > count) {
        // The row may be the one whose button is being handled right now.
        layout->removeWidget(rows.back());
        rows.back()->hide();
        rows.back()->deleteLater();
        rows.pop_back();
    }
    while (rows.size() < count) {
        auto* row = new Row;
        layout->insertWidget(int(rows.size()), row);
        row->show(); // a layout shows a new child of a visible widget only later
        if (connectRow) {
            connectRow(row);
        }
        rows.push_back(row);
    }
}

} // namespace

PrivacyMonitorView::PrivacyMonitorView(const DashboardEnvironment& environment,
                                       AllowedAppsManager& allowedApps, QWidget* parent)
    : QWidget(parent), viewModel_(std::make_unique<PrivacyMonitorViewModel>(environment)),
      allowedApps_(allowedApps) {
    setMinimumSize(600, 500);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(16);
    layout->addWidget(makeHeader());
    layout->addWidget(makeSectionSelector());
    layout->addWidget(makeCards());
    layout->addWidget(makeSearchRow());
    pages_ = new QStackedWidget(this);
    pages_->addWidget(makeActivePage());
    pages_->addWidget(makeRecentPage());
    layout->addWidget(pages_, 1);

    PrivacyMonitorViewModel* model = viewModel_.get();
    connect(model, &PrivacyMonitorViewModel::activeProcessesChanged, this, [this] {
        // A closed window skips the rows (each asks the allowed list); opening refreshes.
        if (isVisible()) {
            updateCards();
            updateActiveList();
        }
    });
    connect(model, &PrivacyMonitorViewModel::blockedProcessesChanged, this,
            &PrivacyMonitorView::updateActiveList);
    connect(model, &PrivacyMonitorViewModel::recentActivitiesChanged, this, [this] {
        updateCards();
        updateRecentList();
    });
    connect(model, &PrivacyMonitorViewModel::isMonitoringActiveChanged, this,
            &PrivacyMonitorView::updateHeader);
    connect(model, &PrivacyMonitorViewModel::lastUpdatedChanged, this,
            &PrivacyMonitorView::updateTimes);
    connect(model, &PrivacyMonitorViewModel::searchTextChanged, this, [this, model] {
        if (searchField_->text() != model->searchText()) {
            searchField_->setText(model->searchText());
        }
        model->filterActivities();
        updateActiveList();
    });
    updateHeader();
    updateCards();
    updateActiveList();
    updateRecentList();
}

PrivacyMonitorView::~PrivacyMonitorView() {
    // The model resumes what it suspended as it ends; the rows must not hear about it.
    viewModel_->disconnect(this);
}

QWidget* PrivacyMonitorView::makeHeader() {
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* titles = new QVBoxLayout;
    titles->addWidget(label(QStringLiteral("Privacy Monitor"), header,
                            QStringLiteral("font-size: 26px; font-weight: 700;")));
    titles->addWidget(label(QStringLiteral("Real-time device access monitoring and control"),
                            header, QStringLiteral("color: palette(placeholder-text);")));
    layout->addLayout(titles, 1);
    monitoringDot_ = new QLabel(header);
    monitoringDot_->setFixedSize(10, 10);
    monitoringText_ = label(QString(), header);
    layout->addWidget(monitoringDot_);
    layout->addWidget(monitoringText_);
    return header;
}

QWidget* PrivacyMonitorView::makeSectionSelector() {
    auto* selector = new QWidget(this);
    auto* layout = new QHBoxLayout(selector);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label(QStringLiteral("View:"), selector,
                            QStringLiteral("color: palette(placeholder-text);")));
    sections_ = new QButtonGroup(selector);
    const std::pair<QString, QString> tabs[] = {{QStringLiteral("Active Processes"), "cpu"},
                                                {QStringLiteral("Recent Activity"), "clock"}};
    int id = 0;
    for (const auto& [title, symbol] : tabs) {
        auto* tab = new QPushButton(IconCatalogue::icon(symbol), title, selector);
        tab->setCheckable(true);
        tab->setCursor(Qt::PointingHandCursor);
        tab->setStyleSheet(QStringLiteral(
            "QPushButton { border: none; border-radius: 8px; padding: 6px 14px; }"
            "QPushButton:checked { background: palette(highlight); color: white; }"));
        sections_->addButton(tab, id++);
        layout->addWidget(tab);
    }
    sections_->button(0)->setChecked(true);
    layout->addStretch();
    connect(sections_, &QButtonGroup::idClicked, this,
            [this](int section) { selectSection(MonitorSection(section)); });
    return selector;
}

QWidget* PrivacyMonitorView::makeCards() {
    auto* cards = new QWidget(this);
    auto* layout = new QHBoxLayout(cards);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    const struct {
        const char* title;
        const char* symbol;
        QColor color;
    } definitions[] = {{"Active Processes", "cpu", dashboard_style::blue},
                       {"Camera Access", "video", dashboard_style::purple},
                       {"Microphone Access", "mic", dashboard_style::orange},
                       {"Recent Events", "clock", dashboard_style::green}};
    for (const auto& definition : definitions) {
        auto* card = new QFrame(cards);
        card->setObjectName(QStringLiteral("statusCard"));
        card->setStyleSheet(QStringLiteral("#statusCard { background: palette(base); border: 1px "
                                           "solid palette(midlight); border-radius: 12px; }"));
        auto* cardLayout = new QVBoxLayout(card);
        auto* top = new QHBoxLayout;
        top->addWidget(symbolLabel(QString::fromLatin1(definition.symbol), 20, card));
        top->addStretch();
        cardLayout->addLayout(top);
        auto* value = label(QStringLiteral("0"), card,
                            QStringLiteral("font-size: 24px; font-weight: 700; color: %1;")
                                .arg(definition.color.name()));
        cardLayout->addWidget(value);
        cardLayout->addWidget(label(QString::fromLatin1(definition.title), card,
                                    QStringLiteral("color: palette(placeholder-text);")));
        cardValues_.emplace_back(QString::fromLatin1(definition.title), value);
        layout->addWidget(card, 1);
    }
    return cards;
}

QWidget* PrivacyMonitorView::makeSearchRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbolLabel(QStringLiteral("magnifyingglass"), 16, row));
    searchField_ = new QLineEdit(row);
    searchField_->setPlaceholderText(QStringLiteral("Search processes..."));
    searchField_->setMaximumWidth(250);
    searchField_->setClearButtonEnabled(true);
    layout->addWidget(searchField_);
    layout->addStretch();
    auto* refresh = new QPushButton(IconCatalogue::icon(QStringLiteral("arrow.clockwise")),
                                    QStringLiteral("Refresh"), row);
    filterButton_ = new QPushButton(
        IconCatalogue::icon(QStringLiteral("line.horizontal.3.decrease.circle")), QString(), row);
    filterButton_->setToolTip(QStringLiteral("Filters"));
    layout->addWidget(refresh);
    layout->addWidget(filterButton_);

    connect(searchField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { viewModel_->setSearchText(text); });
    connect(refresh, &QPushButton::clicked, this, [this] { viewModel_->updateActiveProcesses(); });
    connect(filterButton_, &QPushButton::clicked, this, [this] {
        showingFilters_ = !showingFilters_;
        filterButton_->setIcon(IconCatalogue::icon(
            showingFilters_ ? QStringLiteral("line.horizontal.3.decrease.circle.fill")
                            : QStringLiteral("line.horizontal.3.decrease.circle")));
    });
    return row;
}

QWidget* PrivacyMonitorView::makeActivePage() {
    activeStack_ = new QStackedWidget;
    activeStack_->addWidget(rowList(&activeList_));
    activeStack_->addWidget(emptyState(
        QStringLiteral("checkmark.shield"), QStringLiteral("All Clear"),
        label(QStringLiteral("No active processes are currently accessing your privacy devices"),
              nullptr)));
    return activeStack_;
}

QWidget* PrivacyMonitorView::makeRecentPage() {
    recentStack_ = new QStackedWidget;
    recentStack_->addWidget(rowList(&recentList_));
    recentEmptyDetail_ = label(QString(), nullptr);
    recentStack_->addWidget(emptyState(QStringLiteral("clock.badge.questionmark"),
                                       QStringLiteral("No Recent Activity"), recentEmptyDetail_));
    return recentStack_;
}

void PrivacyMonitorView::selectSection(MonitorSection section) {
    selectedSection_ = section;
    sections_->button(int(section))->setChecked(true);
    pages_->setCurrentIndex(int(section));
}

void PrivacyMonitorView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewModel_->loadRecentActivities();
    // Loading shows every row; the search field may still hold a text.
    viewModel_->filterActivities();
    // What is in use now, at once, rather than an empty list until the next refresh.
    viewModel_->updateActiveProcesses();
}

void PrivacyMonitorView::updateHeader() {
    const bool active = viewModel_->isMonitoringActive();
    const QColor color = active ? dashboard_style::green : dashboard_style::gray;
    monitoringDot_->setStyleSheet(
        QStringLiteral("background: %1; border-radius: 5px;").arg(color.name()));
    monitoringText_->setText(active ? QStringLiteral("Monitoring Active")
                                    : QStringLiteral("Monitoring Inactive"));
    monitoringText_->setStyleSheet(
        QStringLiteral("color: %1; font-weight: 600;").arg(color.name()));
}

void PrivacyMonitorView::updateCards() {
    const QList<ActiveProcess>& processes = viewModel_->activeProcesses();
    const auto count = [&processes](bool ActiveProcess::*flag) {
        return std::count_if(processes.cbegin(), processes.cend(),
                             [flag](const ActiveProcess& process) { return process.*flag; });
    };
    const qsizetype values[] = {processes.size(), count(&ActiveProcess::accessingCamera),
                                count(&ActiveProcess::accessingMicrophone),
                                viewModel_->recentActivities().size()};
    for (size_t index = 0; index < cardValues_.size(); ++index) {
        cardValues_[index].second->setText(QString::number(values[index]));
    }
}

void PrivacyMonitorView::updateActiveList() {
    // The empty state follows the whole list: a search matching nothing shows nothing.
    const bool empty = viewModel_->activeProcesses().isEmpty();
    activeStack_->setCurrentIndex(empty ? 1 : 0);
    const QList<ActiveProcess> rows = viewModel_->filteredActiveProcesses();
    resizeRows<ActiveProcessRow>(
        activeRows_, activeList_, size_t(rows.size()), [this](ActiveProcessRow* row) {
            connect(row, &ActiveProcessRow::blockRequested, viewModel_.get(),
                    &PrivacyMonitorViewModel::blockProcess);
            connect(row, &ActiveProcessRow::unblockRequested, viewModel_.get(),
                    &PrivacyMonitorViewModel::unblockProcess);
            connect(row, &ActiveProcessRow::quitRequested, viewModel_.get(),
                    &PrivacyMonitorViewModel::forceQuitProcess);
        });
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const ActiveProcess& process = rows[index];
        // Asked once per device the process uses, camera first.
        const bool allowed =
            (process.accessingCamera &&
             allowedApps_.isAppAllowed(process.name, rawValue(DeviceType::Camera))) ||
            (process.accessingMicrophone &&
             allowedApps_.isAppAllowed(process.name, rawValue(DeviceType::Microphone)));
        activeRows_[size_t(index)]->setProcess(process, viewModel_->isBlocked(process.pid),
                                               allowed);
    }
}

void PrivacyMonitorView::updateRecentList() {
    const QList<ActivityItem>& items = viewModel_->filteredActivities();
    recentStack_->setCurrentIndex(items.isEmpty() ? 1 : 0);
    const QString search = viewModel_->searchText();
    recentEmptyDetail_->setText(
        search.isEmpty() ? QStringLiteral("No recent device access activity has been recorded")
                         : QStringLiteral("No results found for '") + search + QStringLiteral("'"));
    resizeRows<RecentActivityRow>(recentRows_, recentList_, size_t(items.size()));
    const QDateTime now = viewModel_->now();
    for (qsizetype index = 0; index < items.size(); ++index) {
        recentRows_[size_t(index)]->setActivity(items[index], now);
    }
}

void PrivacyMonitorView::updateTimes() {
    const QDateTime now = viewModel_->now();
    for (RecentActivityRow* row : recentRows_) {
        row->updateTime(now);
    }
}

QString PrivacyMonitorView::cardValue(const QString& title) const {
    for (const auto& [cardTitle, value] : cardValues_) {
        if (cardTitle == title) {
            return value->text();
        }
    }
    return {};
}

std::vector<ActiveProcessRow*> PrivacyMonitorView::activeRows() const {
    return activeStack_->currentIndex() == 0 ? activeRows_ : std::vector<ActiveProcessRow*>{};
}

std::vector<RecentActivityRow*> PrivacyMonitorView::activityRows() const {
    return recentStack_->currentIndex() == 0 ? recentRows_ : std::vector<RecentActivityRow*>{};
}

QString PrivacyMonitorView::activeEmptyText() const {
    return activeStack_->currentIndex() == 1 ? QStringLiteral("All Clear") : QString();
}

QString PrivacyMonitorView::recentEmptyText() const {
    return recentStack_->currentIndex() == 1 ? recentEmptyDetail_->text() : QString();
}

} // namespace ostrel
