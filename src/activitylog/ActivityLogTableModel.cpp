#include "activitylog/ActivityLogTableModel.h"

#include "activitylog/ActivityLogViewText.h"

#include <algorithm>

namespace ostrel {

ActivityLogTableModel::ActivityLogTableModel(QObject* parent) : QAbstractTableModel(parent) {}

QList<ActivityLogEntry>
ActivityLogTableModel::filteredEntries(const QList<ActivityLogEntry>& periodLogs,
                                       std::optional<DeviceType> device,
                                       const QString& searchText) {
    const QString search = searchText.toLower();
    QList<ActivityLogEntry> kept;
    kept.reserve(periodLogs.size());
    for (const ActivityLogEntry& entry : periodLogs) {
        if (device && entry.deviceType != *device) {
            continue;
        }
        if (!search.isEmpty() && !entry.processName.toLower().contains(search) &&
            !appDisplayName(entry).toLower().contains(search)) {
            continue;
        }
        kept.append(entry);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const ActivityLogEntry& a, const ActivityLogEntry& b) {
                         return a.timestamp > b.timestamp;
                     });
    return kept;
}

void ActivityLogTableModel::setEntries(QList<ActivityLogEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    texts_.assign(static_cast<size_t>(entries_.size()), std::nullopt);
    endResetModel();
}

int ActivityLogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int ActivityLogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCountValue;
}

const ActivityLogTableModel::RowTexts& ActivityLogTableModel::textsFor(int row) const {
    std::optional<RowTexts>& texts = texts_[static_cast<size_t>(row)];
    if (!texts) {
        const ActivityLogEntry& entry = entries_[row];
        const QDateTime local = entry.timestamp.toLocalTime();
        texts = RowTexts{local.toString(QStringLiteral("HH:mm:ss")),
                         local.toString(QStringLiteral("MMM dd")), appDisplayName(entry)};
    }
    return *texts;
}

QVariant ActivityLogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size()) {
        return {};
    }
    const ActivityLogEntry& entry = entries_[index.row()];
    const bool camera = entry.deviceType == DeviceType::Camera;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn:
            return textsFor(index.row()).time;
        case AppColumn:
            return textsFor(index.row()).name;
        case DeviceColumn:
            return rawValue(entry.deviceType);
        case ActionColumn:
            return entry.isActive ? QStringLiteral("Started") : QStringLiteral("Stopped");
        case PidColumn:
            return QString::number(entry.processID);
        case DateColumn:
            return textsFor(index.row()).date;
        }
        return {};
    case ProcessPathRole:
        return index.column() == AppColumn ? entry.processPath.value_or(QString()) : QVariant();
    case SymbolRole:
        switch (index.column()) {
        case AppColumn:
            return QStringLiteral("app");
        case DeviceColumn:
            return camera ? QStringLiteral("video") : QStringLiteral("mic");
        case ActionColumn:
            return entry.isActive ? QStringLiteral("play.circle.fill")
                                  : QStringLiteral("stop.circle.fill");
        }
        return {};
    default:
        return {};
    }
}

QVariant ActivityLogTableModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case TimeColumn:
        return QStringLiteral("Time");
    case AppColumn:
        return QStringLiteral("App");
    case DeviceColumn:
        return QStringLiteral("Device");
    case ActionColumn:
        return QStringLiteral("Action");
    case PidColumn:
        return QStringLiteral("PID");
    case DateColumn:
        return QStringLiteral("Date");
    }
    return {};
}

} // namespace ostrel
