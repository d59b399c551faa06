#include "platform/linux/applications/InfoPlistReader.h"

#include "base/Log.h"

#include <QFile>
#include <QXmlStreamReader>

namespace ostrel {
namespace {

constexpr qint64 kMaxPlistSize = 1 << 20;

// Moves to the next start element, refusing anything but whitespace, comments and a
// declaration-free DOCTYPE on the way.
bool nextStartElement(QXmlStreamReader& reader) {
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            return true;
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::EndDocument:
            return false;
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty()) {
                reader.raiseError(QStringLiteral("entity declarations are not accepted"));
                return false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace()) {
                reader.raiseError(QStringLiteral("unexpected text"));
                return false;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

std::optional<QVariant> readValue(QXmlStreamReader& reader) {
    const QStringView type = reader.name();
    if (type == u"string") {
        return QVariant(reader.readElementText());
    }
    if (type == u"true" || type == u"false") {
        const bool value = type == u"true";
        reader.skipCurrentElement();
        return QVariant(value);
    }
    if (type == u"integer") {
        bool ok = false;
        const qlonglong value = reader.readElementText().trimmed().toLongLong(&ok);
        return ok ? std::optional(QVariant(value)) : std::nullopt;
    }
    if (type == u"real") {
        bool ok = false;
        const double value = reader.readElementText().trimmed().toDouble(&ok);
        return ok ? std::optional(QVariant(value)) : std::nullopt;
    }
    reader.skipCurrentElement();
    return QVariant(); // present, but of a kind Ostrel does not read
}

} // namespace

std::optional<QVariantMap> InfoPlistReader::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    if (file.size() > kMaxPlistSize) {
        logLine(QStringLiteral("⚠️ [RunningApplications] Skipping oversized property list: ") +
                path);
        return std::nullopt;
    }
    std::optional<QVariantMap> result = parse(file.read(kMaxPlistSize));
    if (!result) {
        logLine(QStringLiteral("⚠️ [RunningApplications] Not a readable XML property list: ") +
                path);
    }
    return result;
}

std::optional<QVariantMap> InfoPlistReader::parse(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    if (!nextStartElement(reader) || reader.name() != u"plist" || !nextStartElement(reader) ||
        reader.name() != u"dict") {
        return std::nullopt;
    }
    QVariantMap dictionary;
    while (nextStartElement(reader)) {
        if (reader.name() != u"key") {
            return std::nullopt;
        }
        const QString key = reader.readElementText();
        if (reader.hasError() || !nextStartElement(reader)) {
            return std::nullopt;
        }
        const std::optional<QVariant> value = readValue(reader);
        if (!value || reader.hasError()) {
            return std::nullopt;
        }
        if (value->isValid()) {
            dictionary.insert(key, *value);
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    // The dictionary must be closed properly and followed only by the closing plist tag.
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::StartElement) {
            return std::nullopt;
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return dictionary;
}

} // namespace ostrel
