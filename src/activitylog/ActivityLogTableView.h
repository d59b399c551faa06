#pragma once

#include <QTableView>

namespace ostrel {

class ActivityLogTableModel;

// The table of the log window: Time, App (name with its path below), Device, Action, PID and
// Date. Rows have one fixed height, so a table of 10000 entries lays out without measuring
// every row.
class ActivityLogTableView final : public QTableView {
public:
    explicit ActivityLogTableView(ActivityLogTableModel* model, QWidget* parent = nullptr);
};

} // namespace ostrel
