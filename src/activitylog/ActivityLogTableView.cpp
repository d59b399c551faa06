#include "activitylog/ActivityLogTableView.h"

#include "activitylog/ActivityLogTableModel.h"
#include "ui/IconCatalogue.h"

#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace ostrel {

namespace {

constexpr int kRowHeight = 40;
constexpr int kIconSize = 16;
constexpr int kPadding = 6;

QColor symbolColor(const QString& symbol) {
    if (symbol == u"video") {
        return QColor(0xAF, 0x52, 0xDE); // purple
    }
    if (symbol == u"mic") {
        return QColor(0xFF, 0x95, 0x00); // orange
    }
    if (symbol == u"play.circle.fill") {
        return QColor(0x34, 0xC7, 0x59); // green
    }
    if (symbol == u"stop.circle.fill") {
        return QColor(0xFF, 0x3B, 0x30); // red
    }
    return {};
}

// Draws the symbol before the text of the App, Device and Action cells, and the path below
// the name in the App cell. Text is drawn as it is: names and paths are never markup.
class ActivityLogCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString symbol = index.data(ActivityLogTableModel::SymbolRole).toString();
        if (symbol.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style) {
            style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
        }

        painter->save();
        const QRect cell = option.rect.adjusted(kPadding, 0, -kPadding, 0);
        const QRect iconRect(cell.left(), cell.center().y() - kIconSize / 2 + 1, kIconSize,
                             kIconSize);
        painter->drawPixmap(iconRect, symbolPixmap(symbol));

        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorRole textRole = selected ? QPalette::HighlightedText : QPalette::Text;
        const QRect textRect = cell.adjusted(kIconSize + kPadding, 0, 0, 0);
        const QString text = index.data(Qt::DisplayRole).toString();
        const QString path = index.data(ActivityLogTableModel::ProcessPathRole).toString();

        QFont nameFont = option.font;
        if (symbol == u"app") {
            nameFont.setWeight(QFont::Medium);
        }
        painter->setFont(nameFont);
        painter->setPen(option.palette.color(textRole));
        const QFontMetrics nameMetrics(nameFont);
        if (path.isEmpty()) {
            painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                              nameMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
        } else {
            QFont pathFont = option.font;
            pathFont.setPointSizeF(option.font.pointSizeF() * 0.85);
            const QFontMetrics pathMetrics(pathFont);
            const int top =
                textRect.center().y() - (nameMetrics.height() + pathMetrics.height()) / 2;
            const QRect nameRect(textRect.left(), top, textRect.width(), nameMetrics.height());
            const QRect pathRect(textRect.left(), nameRect.bottom() + 1, textRect.width(),
                                 pathMetrics.height());
            painter->drawText(nameRect, Qt::AlignLeft | Qt::TextSingleLine,
                              nameMetrics.elidedText(text, Qt::ElideRight, nameRect.width()));
            painter->setFont(pathFont);
            painter->setPen(selected ? option.palette.color(textRole)
                                     : option.palette.color(QPalette::PlaceholderText));
            painter->drawText(pathRect, Qt::AlignLeft | Qt::TextSingleLine,
                              pathMetrics.elidedText(path, Qt::ElideMiddle, pathRect.width()));
        }
        painter->restore();
    }

private:
    // The symbol in its colour; those without one keep the icon's own.
    QPixmap symbolPixmap(const QString& symbol) const {
        const auto cached = pixmaps_.constFind(symbol);
        if (cached != pixmaps_.constEnd()) {
            return *cached;
        }
        QPixmap pixmap = IconCatalogue::icon(symbol).pixmap(kIconSize, kIconSize);
        if (const QColor color = symbolColor(symbol); color.isValid() && !pixmap.isNull()) {
            QPainter tint(&pixmap);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(pixmap.rect(), color);
        }
        pixmaps_.insert(symbol, pixmap);
        return pixmap;
    }

    mutable QHash<QString, QPixmap> pixmaps_;
};

} // namespace

ActivityLogTableView::ActivityLogTableView(ActivityLogTableModel* model, QWidget* parent)
    : QTableView(parent) {
    setModel(model);
    setItemDelegate(new ActivityLogCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);

    QHeaderView* columns = horizontalHeader();
    columns->setMinimumSectionSize(50);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionResizeMode(ActivityLogTableModel::AppColumn, QHeaderView::Stretch);
    columns->resizeSection(ActivityLogTableModel::TimeColumn, 100);
    columns->resizeSection(ActivityLogTableModel::AppColumn, 250);
    columns->resizeSection(ActivityLogTableModel::DeviceColumn, 125);
    columns->resizeSection(ActivityLogTableModel::ActionColumn, 100);
    columns->resizeSection(ActivityLogTableModel::PidColumn, 50);
    columns->resizeSection(ActivityLogTableModel::DateColumn, 60);
}

} // namespace ostrel
