#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

// Readable failure messages for the Qt values these tests compare.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(", ").toStdString() << ']';
}

inline void PrintTo(const QVariant& value, std::ostream* out) {
    *out << value.typeName() << '(' << value.toString().toStdString() << ')';
}
