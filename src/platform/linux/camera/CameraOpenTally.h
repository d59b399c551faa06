#pragma once

#include <QHash>
#include <QString>

namespace ostrel {

// Net opens (opens minus closes) of each camera node, counted from the open and close events
// of the node watch. It sees every process, also those whose descriptors Ostrel cannot read,
// but only approximately:
// - opens made before the watch started are not counted, and their closes do not take the
//   count below zero;
// - the kernel merges identical events that follow each other unread, so two opens in a row
//   may count as one;
// - Ostrel's own opens count too (Ostrel opens no camera node itself);
// - lost events (queue overflow) reset every count to zero.
class CameraOpenTally {
public:
    void opened(const QString& node) { ++counts_[node]; }
    void closed(const QString& node) {
        const auto found = counts_.find(node);
        if (found == counts_.end()) {
            moved_ = true; // an open from before the watch, or one hidden by a merged event
        } else if (--*found <= 0) {
            counts_.erase(found);
        }
    }
    void forget(const QString& node) { counts_.remove(node); }
    void clear() {
        counts_.clear();
        moved_ = true;
    }
    int netOpenCount(const QString& node) const { return counts_.value(node, 0); }

    // Whether the counts moved since the last mark: one differs, a close found no open to
    // match, or the counts were cleared. Opens and closes that cancel out leave no trace.
    bool movedSinceMark() const { return moved_ || counts_ != marked_; }
    void mark() {
        marked_ = counts_;
        moved_ = false;
    }

private:
    QHash<QString, int> counts_;
    QHash<QString, int> marked_;
    bool moved_ = false;
};

} // namespace ostrel
