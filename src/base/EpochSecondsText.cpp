#include "base/EpochSecondsText.h"

#include <QLocale>

namespace ostrel {

QString secondsSince1970Text(const QDateTime& time) {
    const double seconds = static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0;
    QString text = QString::number(seconds, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

} // namespace ostrel
