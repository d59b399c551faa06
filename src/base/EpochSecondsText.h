#pragma once

#include <QDateTime>
#include <QString>

namespace ostrel {

// Seconds since 1970 as the shortest decimal that reads back exactly, always with a
// fraction ("1767225600.0", "1767225600.125"): the form export file names and notification ids
// carry.
QString secondsSince1970Text(const QDateTime& time);

} // namespace ostrel
