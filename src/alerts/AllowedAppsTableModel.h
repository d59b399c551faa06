#pragma once

#include "alerts/AllowedAppsManager.h"

#include <QAbstractTableModel>
#include <QList>

namespace ostrel {

// One row of the allowed applications window: the entry record and the key it is stored
// under. Rows keep the real key, so an entry stored under a key that its record does not
// spell (other letter case, no "device") can still be removed.
struct AllowedAppRow {
    QString key;
    QVariantMap record;
};

// The rows of the allowed applications window: Process, Device, Date Added and Action (the
// window puts a "Remove" button there). A missing or wrongly typed field shows "Unknown".
class AllowedAppsTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ProcessColumn, DeviceColumn, DateColumn, ActionColumn };
    static constexpr int columnCountValue = 4;

    explicit AllowedAppsTableModel(QObject* parent = nullptr);

    // The stored entries in the store's order.
    static QList<AllowedAppRow> rowsOf(const AllowedApps& apps);
    // A record the way the window logs it: ["device": "Camera", "processName": "Zoom", ...].
    static QString printedRecord(const QVariantMap& record);

    void setRows(QList<AllowedAppRow> rows);
    const QList<AllowedAppRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<AllowedAppRow> rows_;
};

} // namespace ostrel
