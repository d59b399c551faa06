#include "platform/linux/applications/CgroupApplication.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>

namespace ostrel {
namespace {

std::optional<CgroupApplication> fromSnapUnit(QStringView unit) {
    QStringView body = unit.mid(5); // after "snap."
    if (body.endsWith(u".scope")) {
        body.chop(6);
        // snapd adds the scope's UUID to the application's name.
        static const QRegularExpression uuid(
            QStringLiteral("[-.][0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
        if (const QRegularExpressionMatch match = uuid.match(body.toString()); match.hasMatch()) {
            body.truncate(match.capturedStart());
        }
    } else if (body.endsWith(u".service")) {
        body.chop(8);
    } else {
        return std::nullopt;
    }
    const QList<QStringView> parts = body.split(u'.');
    // Hooks ("snap.<snap>.hook.<name>") and anything else with more parts are not apps.
    if (parts.size() != 2 || parts.at(0).isEmpty() || parts.at(1).isEmpty()) {
        return std::nullopt;
    }
    return CgroupApplication{CgroupApplication::Kind::snap,
                             parts.at(0).toString() + u'_' + parts.at(1).toString(), QString()};
}

std::optional<CgroupApplication> fromAppUnit(QStringView unit) {
    QStringView body = unit.mid(4); // after "app-"
    QList<QStringView> parts;
    if (body.endsWith(u".scope")) {
        body.chop(6);
        parts = body.split(u'-');
        if (parts.size() < 2) {
            return std::nullopt;
        }
        parts.removeLast(); // the random part that makes the scope unique
    } else if (body.endsWith(u".service")) {
        body.chop(8);
        if (const qsizetype at = body.indexOf(u'@'); at >= 0) {
            body.truncate(at);
        }
        parts = body.split(u'-');
    } else {
        return std::nullopt;
    }
    CgroupApplication application;
    if (parts.size() >= 2) {
        application.launcher = CgroupApplication::unescapeUnitName(parts.takeFirst());
    }
    // Escaped ids have no '-' left; a launcher that did not escape its id still ends up whole.
    QString id;
    for (const QStringView part : parts) {
        id += (id.isEmpty() ? QString() : QStringLiteral("-")) + part.toString();
    }
    application.applicationId = CgroupApplication::unescapeUnitName(id);
    if (application.applicationId.isEmpty()) {
        return std::nullopt;
    }
    return application;
}

std::optional<CgroupApplication> fromUnit(QStringView unit) {
    if (unit.startsWith(u"app-")) {
        return fromAppUnit(unit);
    }
    if (unit.startsWith(u"snap.")) {
        return fromSnapUnit(unit);
    }
    return std::nullopt;
}

} // namespace

QString CgroupApplication::unescapeUnitName(QStringView name) {
    QByteArray bytes;
    const QByteArray utf8 = name.toUtf8();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8.at(i) == '\\' && i + 3 < utf8.size() && utf8.at(i + 1) == 'x') {
            bool ok = false;
            const int value = utf8.mid(i + 2, 2).toInt(&ok, 16);
            if (ok && value > 0) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(utf8.at(i));
    }
    return QString::fromUtf8(bytes);
}

std::optional<CgroupApplication> CgroupApplication::fromCgroupFile(QByteArrayView contents) {
    // "<hierarchy>:<controllers>:<path>"; the unified hierarchy ("0::") and systemd's own
    // named hierarchy carry the units.
    for (const QByteArray& line : QByteArray(contents.data(), contents.size()).split('\n')) {
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0) {
            continue;
        }
        const QByteArrayView controllers =
            QByteArrayView(line).sliced(first + 1, second - first - 1);
        if (!controllers.isEmpty() && controllers != "name=systemd") {
            continue;
        }
        const QString path = QString::fromUtf8(line.mid(second + 1));
        const QStringView unit = QStringView(path).mid(path.lastIndexOf(u'/') + 1);
        if (std::optional<CgroupApplication> application = fromUnit(unit)) {
            return application;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
