#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

namespace ostrel {

// Reads the top-level dictionary of an XML property list (an application bundle's
// Contents/Info.plist): strings, booleans and numbers by key; arrays, nested dictionaries,
// dates and data are passed over. A file that is not a well-formed XML property list, that
// declares entities, or that is implausibly large gives none.
class InfoPlistReader {
public:
    static std::optional<QVariantMap> read(const QString& path);
    static std::optional<QVariantMap> parse(const QByteArray& xml);
};

} // namespace ostrel
