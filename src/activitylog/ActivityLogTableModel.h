#pragma once

#include "activitylog/ActivityLogEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <optional>
#include <vector>

namespace ostrel {

// The rows of the log window: the entries of the chosen period that pass the device and text
// filters, newest first. Names and paths are data to show as they are, never markup.
class ActivityLogTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeColumn, AppColumn, DeviceColumn, ActionColumn, PidColumn, DateColumn };
    static constexpr int columnCountValue = 6;

    // Extra data roles for the cells the window draws itself.
    enum Role {
        ProcessPathRole = Qt::UserRole + 1, // the path under the name (App), or an empty string
        SymbolRole, // the symbol drawn before the text (App, Device, Action)
    };

    explicit ActivityLogTableModel(QObject* parent = nullptr);

    // The filtered list. `periodLogs` is the period's entries in log order; `searchText` is
    // matched, ignoring case, against the process name and the shown name (last path
    // component). Entries with equal timestamps keep their log order.
    static QList<ActivityLogEntry> filteredEntries(const QList<ActivityLogEntry>& periodLogs,
                                                   std::optional<DeviceType> device,
                                                   const QString& searchText);

    // Replaces every row.
    void setEntries(QList<ActivityLogEntry> entries);
    const QList<ActivityLogEntry>& entries() const { return entries_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<ActivityLogEntry> entries_;
    // Formatting dates costs more than everything else in a 10000-row table; each row's texts
    // are made once, when first shown.
    struct RowTexts {
        QString time;
        QString date;
        QString name;
    };
    const RowTexts& textsFor(int row) const;
    mutable std::vector<std::optional<RowTexts>> texts_;
};

} // namespace ostrel
