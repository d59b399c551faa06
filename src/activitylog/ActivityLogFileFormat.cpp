#include "activitylog/ActivityLogFileFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>
#include <cmath>

namespace ostrel::ActivityLogFileFormat {

namespace {

const QString kId = QStringLiteral("id");
const QString kTimestamp = QStringLiteral("timestamp");
const QString kDeviceType = QStringLiteral("deviceType");
const QString kProcessName = QStringLiteral("processName");
const QString kProcessPath = QStringLiteral("processPath");
const QString kProcessID = QStringLiteral("processID");
const QString kIsActive = QStringLiteral("isActive");
const QString kDuration = QStringLiteral("duration");

constexpr qint64 kReferenceDateMSecsSinceEpoch = 978307200000; // 2001-01-01T00:00:00Z
constexpr qint64 kJulianDayOfEpoch = 2440588;                  // 1970-01-01
constexpr qint64 kFirstWritableSecond = (1721426 - kJulianDayOfEpoch) * 86400;    // 0001-01-01
constexpr qint64 kLastWritableSecond = (5373485 - kJulianDayOfEpoch) * 86400 - 1; // 9999-12-31

// Everything but the time stamp, which the two formats write differently.
QJsonObject encodeCommonMembers(const ActivityLogEntry& entry) {
    QJsonObject object;
    object.insert(kId, entry.id.toString(QUuid::WithoutBraces).toUpper());
    object.insert(kDeviceType, encodeDeviceType(entry.deviceType));
    object.insert(kProcessName, entry.processName);
    if (entry.processPath) {
        object.insert(kProcessPath, *entry.processPath);
    }
    object.insert(kProcessID, entry.processID);
    object.insert(kIsActive, entry.isActive);
    if (entry.duration) {
        object.insert(kDuration, *entry.duration);
    }
    return object;
}

// Appends `text` as a JSON string literal in UTF-8.
void appendQuoted(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    const bool plain = std::none_of(utf8.cbegin(), utf8.cend(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\';
    });
    if (plain) {
        out.append(utf8);
        out.append('"');
        return;
    }
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char hex[] = "0123456789abcdef";
                const char escape[] = {'\\', 'u', '0', '0', hex[(c >> 4) & 0xf], hex[c & 0xf]};
                out.append(escape, sizeof escape);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

// "2025-03-14T09:26:53Z" into `text`, which holds 20 characters.
void writeTimestamp(const QDateTime& timestamp, char* text) {
    const qint64 msecs = timestamp.toMSecsSinceEpoch();
    // The format holds the years 0001 to 9999 only; a clock set beyond them must not make
    // the whole file unreadable.
    const qint64 secs = std::clamp(msecs / 1000 - (msecs % 1000 < 0 ? 1 : 0), kFirstWritableSecond,
                                   kLastWritableSecond);
    const qint64 days = secs / 86400 - (secs % 86400 < 0 ? 1 : 0);
    const qint64 secondOfDay = secs - days * 86400;
    const QDate date = QDate::fromJulianDay(kJulianDayOfEpoch + days);
    auto put = [&text](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            text[at + i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(0, date.year(), 4);
    text[4] = '-';
    put(5, date.month(), 2);
    text[7] = '-';
    put(8, date.day(), 2);
    text[10] = 'T';
    put(11, static_cast<int>(secondOfDay / 3600), 2);
    text[13] = ':';
    put(14, static_cast<int>(secondOfDay / 60 % 60), 2);
    text[16] = ':';
    put(17, static_cast<int>(secondOfDay % 60), 2);
    text[19] = 'Z';
}

// JSON has no infinity or NaN; such a value is written as null, which reads back as absent.
QByteArray numberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

void beginMember(QByteArray& out, const char* key) {
    out.append("        \"");
    out.append(key);
    out.append("\": ");
}

bool isNullOrAbsent(const QJsonValue& value) {
    return value.isUndefined() || value.isNull();
}

// Reads the digits text[from, from + count); -1 unless they are all ASCII digits.
int digitsAt(const QString& text, int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return -1;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

std::optional<QUuid> parseId(const QString& text) {
    // The hyphenated 36-character form only; fromString() would also take braces.
    if (text.size() != 36) {
        return std::nullopt;
    }
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000")) {
        return std::nullopt;
    }
    return id;
}

// One entry object; on a defect, `error` says what is wrong and nothing is returned.
std::optional<ActivityLogEntry> decodeEntry(const QJsonValue& value, QString& error) {
    if (!value.isObject()) {
        error = QStringLiteral("is not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    auto requireType = [&](const QString& key, QJsonValue::Type type,
                           const char* typeName) -> std::optional<QJsonValue> {
        const QJsonValue member = object.value(key);
        if (member.isUndefined()) {
            error = QStringLiteral("\"%1\" is missing").arg(key);
            return std::nullopt;
        }
        if (member.type() != type) {
            error = QStringLiteral("\"%1\" is not a %2").arg(key, QLatin1String(typeName));
            return std::nullopt;
        }
        return member;
    };

    ActivityLogEntry entry;
    const auto id = requireType(kId, QJsonValue::String, "string");
    if (!id) {
        return std::nullopt;
    }
    const auto parsedId = parseId(id->toString());
    if (!parsedId) {
        error = QStringLiteral("\"id\" is not a UUID: %1").arg(id->toString());
        return std::nullopt;
    }
    entry.id = *parsedId;

    const auto timestamp = requireType(kTimestamp, QJsonValue::String, "string");
    if (!timestamp) {
        return std::nullopt;
    }
    const auto parsedTimestamp = parseTimestamp(timestamp->toString());
    if (!parsedTimestamp) {
        error = QStringLiteral("\"timestamp\" is not an internet date-time: %1")
                    .arg(timestamp->toString());
        return std::nullopt;
    }
    entry.timestamp = *parsedTimestamp;

    const auto device = requireType(kDeviceType, QJsonValue::String, "string");
    if (!device) {
        return std::nullopt;
    }
    const auto deviceType = decodeDeviceType(*device);
    if (!deviceType) {
        error = QStringLiteral("\"deviceType\" is neither \"Camera\" nor \"Microphone\": %1")
                    .arg(device->toString());
        return std::nullopt;
    }
    entry.deviceType = *deviceType;

    const auto name = requireType(kProcessName, QJsonValue::String, "string");
    if (!name) {
        return std::nullopt;
    }
    entry.processName = name->toString();

    const auto pid = requireType(kProcessID, QJsonValue::Double, "number");
    if (!pid) {
        return std::nullopt;
    }
    // toInteger() falls back to its argument for a fraction or a value out of range.
    if (pid->toInteger(0) != pid->toInteger(1)) {
        error = QStringLiteral("\"processID\" is not a 64-bit integer");
        return std::nullopt;
    }
    entry.processID = pid->toInteger();

    const auto active = requireType(kIsActive, QJsonValue::Bool, "boolean");
    if (!active) {
        return std::nullopt;
    }
    entry.isActive = active->toBool();

    const QJsonValue path = object.value(kProcessPath);
    if (!isNullOrAbsent(path)) {
        if (!path.isString()) {
            error = QStringLiteral("\"processPath\" is not a string");
            return std::nullopt;
        }
        entry.processPath = path.toString();
    }
    const QJsonValue duration = object.value(kDuration);
    if (!isNullOrAbsent(duration)) {
        if (!duration.isDouble()) {
            error = QStringLiteral("\"duration\" is not a number");
            return std::nullopt;
        }
        entry.duration = duration.toDouble();
    }
    return entry;
}

} // namespace

QByteArray encodeLogFile(const QList<ActivityLogEntry>& entries) {
    // Written by hand, in the layout QJsonDocument::Indented gives, at a fraction of its cost:
    // a full log is rewritten on every camera entry.
    QByteArray out;
    out.reserve(64 + entries.size() * 320);
    out.append("[\n");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ActivityLogEntry& entry = entries[i];
        out.append("    {\n");
        beginMember(out, "deviceType");
        appendQuoted(out, rawValue(entry.deviceType));
        if (entry.duration) {
            out.append(",\n");
            beginMember(out, "duration");
            out.append(numberText(*entry.duration));
        }
        out.append(",\n");
        beginMember(out, "id");
        out.append('"');
        out.append(entry.id.toByteArray(QUuid::WithoutBraces).toUpper());
        out.append("\",\n");
        beginMember(out, "isActive");
        out.append(entry.isActive ? "true,\n" : "false,\n");
        beginMember(out, "processID");
        out.append(QByteArray::number(entry.processID));
        out.append(",\n");
        beginMember(out, "processName");
        appendQuoted(out, entry.processName);
        if (entry.processPath) {
            out.append(",\n");
            beginMember(out, "processPath");
            appendQuoted(out, *entry.processPath);
        }
        out.append(",\n");
        beginMember(out, "timestamp");
        char timestamp[22] = {'"'};
        writeTimestamp(entry.timestamp, timestamp + 1);
        timestamp[21] = '"';
        out.append(timestamp, sizeof timestamp);
        out.append(i + 1 < entries.size() ? "\n    },\n" : "\n    }\n");
    }
    out.append("]\n");
    return out;
}

ActivityLogDecodeResult decodeLogFile(const QByteArray& bytes) {
    ActivityLogDecodeResult result;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("invalid JSON at offset %1: %2")
                           .arg(parseError.offset)
                           .arg(parseError.errorString());
        return result;
    }
    if (!document.isArray()) {
        result.error = QStringLiteral("the top level is not an array");
        return result;
    }
    const QJsonArray array = document.array();
    result.entries.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        QString error;
        std::optional<ActivityLogEntry> entry = decodeEntry(array.at(i), error);
        if (!entry) {
            result.entries.clear();
            result.error = QStringLiteral("entry %1: %2").arg(i).arg(error);
            return result;
        }
        result.entries.append(std::move(*entry));
    }
    return result;
}

QByteArray encodeExportFile(const QList<ActivityLogEntry>& entries) {
    QJsonArray array;
    for (const ActivityLogEntry& entry : entries) {
        QJsonObject object = encodeCommonMembers(entry);
        object.insert(kTimestamp, secondsSinceReferenceDate(entry.timestamp));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QString formatTimestamp(const QDateTime& timestamp) {
    char text[20];
    writeTimestamp(timestamp, text);
    return QString::fromLatin1(text, sizeof text);
}

std::optional<QDateTime> parseTimestamp(const QString& text) {
    // yyyy-MM-ddTHH:mm:ss followed by Z or +hh:mm / -hh:mm.
    if (text.size() != 20 && text.size() != 25) {
        return std::nullopt;
    }
    if (text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') ||
        text.at(10) != QLatin1Char('T') || text.at(13) != QLatin1Char(':') ||
        text.at(16) != QLatin1Char(':')) {
        return std::nullopt;
    }
    const int year = digitsAt(text, 0, 4);
    const QDate date(year, digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    const int hour = digitsAt(text, 11, 2);
    const int minute = digitsAt(text, 14, 2);
    const int second = digitsAt(text, 17, 2);
    if (year < 0 || !date.isValid() || !QTime::isValid(hour, minute, second)) {
        return std::nullopt;
    }
    const QTime time(hour, minute, second);
    if (text.size() == 20) {
        if (text.at(19) != QLatin1Char('Z')) {
            return std::nullopt;
        }
        return QDateTime(date, time, Qt::UTC);
    }
    const QChar sign = text.at(19);
    const int offsetHours = digitsAt(text, 20, 2);
    const int offsetMinutes = digitsAt(text, 23, 2);
    if ((sign != QLatin1Char('+') && sign != QLatin1Char('-')) || text.at(22) != QLatin1Char(':') ||
        offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59) {
        return std::nullopt;
    }
    const int offsetSeconds =
        (sign == QLatin1Char('-') ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds).toUTC();
}

double secondsSinceReferenceDate(const QDateTime& timestamp) {
    return static_cast<double>(timestamp.toMSecsSinceEpoch() - kReferenceDateMSecsSinceEpoch) /
           1000.0;
}

} // namespace ostrel::ActivityLogFileFormat
