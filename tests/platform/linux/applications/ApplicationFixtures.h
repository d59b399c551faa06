#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>
#include <ostream>

namespace ostrel {

// Desktop entries in four data dirs, a /proc tree, Flatpak installations and bundles.
inline const QString kFixtures = QDir::cleanPath(QStringLiteral(OSTREL_APPLICATION_FIXTURES));

inline QStringList fixtureDataDirs() {
    return {kFixtures + "/data-home", kFixtures + "/system", kFixtures + "/snapd",
            kFixtures + "/flatpak/exports/share"};
}

// Writes a file, creating its folder.
inline void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
}

} // namespace ostrel

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
