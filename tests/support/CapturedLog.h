#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// Collects every log line written while it exists, instead of printing it.
class CapturedLog {
public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const;
    // Lines that start with the prefix.
    int countStartingWith(const QString& prefix) const;
    void clear();

private:
    QStringList lines_;
};

} // namespace ostrel
