#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

// A file in the desktop's key-file format: desktop entries, Flatpak metadata and the
// .flatpak-info of a sandbox. Parsing never fails: lines that are not a group header, a
// comment or a valid "Key=Value" are skipped, and invalid UTF-8 becomes replacement
// characters. As in the desktop's own reader, a key given twice keeps its last value.
class KeyFile {
public:
    static KeyFile parse(QByteArrayView text);

    bool hasGroup(const QString& group) const;
    // The value with its escapes (\s \n \t \r \\) resolved.
    std::optional<QString> value(const QString& group, const QString& key) const;
    // The value for the first of `localeKeys` (e.g. "de_DE", "de") that the file has, else
    // the unlocalized value.
    std::optional<QString> localizedValue(const QString& group, const QString& key,
                                          const QStringList& localeKeys) const;
    // A ';'-separated list; "\;" stands for a ';' inside an element.
    QStringList listValue(const QString& group, const QString& key) const;
    // "true" or "1" is true; anything else, or no value, is false.
    bool booleanValue(const QString& group, const QString& key) const;

private:
    QHash<QString, QHash<QString, QString>> groups_; // raw, still escaped values
};

} // namespace ostrel
