#include "alerts/AllowedAppsTableModel.h"

#include <QLocale>

namespace ostrel {

namespace {

const QString kUnknown = QStringLiteral("Unknown");

QString stringField(const QVariantMap& record, const QString& key) {
    const QVariant value = record.value(key);
    return value.metaType().id() == QMetaType::QString ? value.toString() : kUnknown;
}

QString dateField(const QVariantMap& record) {
    const QVariant value = record.value(QStringLiteral("dateAdded"));
    if (value.metaType().id() != QMetaType::QDateTime || !value.toDateTime().isValid()) {
        return kUnknown;
    }
    return QLocale().toString(value.toDateTime().toLocalTime(), QLocale::ShortFormat);
}

QString printedValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss '+0000'"));
    default:
        return value.toString();
    }
}

} // namespace

AllowedAppsTableModel::AllowedAppsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

QList<AllowedAppRow> AllowedAppsTableModel::rowsOf(const AllowedApps& apps) {
    QList<AllowedAppRow> rows;
    rows.reserve(apps.size());
    for (auto entry = apps.cbegin(); entry != apps.cend(); ++entry) {
        rows.append({entry.key(), entry.value()});
    }
    return rows;
}

QString AllowedAppsTableModel::printedRecord(const QVariantMap& record) {
    QStringList members;
    for (auto member = record.cbegin(); member != record.cend(); ++member) {
        members.append(QLatin1Char('"') + member.key() + QStringLiteral("\": ") +
                       printedValue(member.value()));
    }
    return QLatin1Char('[') + members.join(QStringLiteral(", ")) + QLatin1Char(']');
}

void AllowedAppsTableModel::setRows(QList<AllowedAppRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int AllowedAppsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AllowedAppsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCountValue;
}

QVariant AllowedAppsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const QVariantMap& record = rows_[index.row()].record;
    switch (index.column()) {
    case ProcessColumn:
        return stringField(record, QStringLiteral("processName"));
    case DeviceColumn:
        return stringField(record, QStringLiteral("device"));
    case DateColumn:
        return dateField(record);
    default:
        return {};
    }
}

QVariant AllowedAppsTableModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case ProcessColumn:
        return QStringLiteral("Process");
    case DeviceColumn:
        return QStringLiteral("Device");
    case DateColumn:
        return QStringLiteral("Date Added");
    case ActionColumn:
        return QStringLiteral("Action");
    }
    return {};
}

} // namespace ostrel
