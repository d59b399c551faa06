#include "platform/linux/journal/SystemdEventJournal.h"

#include "base/Log.h"

#include <cstring>
#include <sys/uio.h>
#include <syslog.h>
#include <vector>

// The source line of the one call that sends every entry would tell a reader nothing.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>

namespace ostrel {

namespace {

// Fixed for good: catalogs and saved journal filters find Ostrel's events by them.
const char* messageId(JournalEvent::Kind kind) {
    switch (kind) {
    case JournalEvent::Kind::DeviceAccessChanged:
        return "014bb0ecb9a9425a97448b639bf7407f";
    case JournalEvent::Kind::HighRiskProcess:
        return "d65f64b503704ecdbd4619b3ea848e11";
    case JournalEvent::Kind::DirectDeviceAccess:
        return "92b6892cbb2541438da91755bdccaf6f";
    }
    return "";
}

int priority(const JournalEvent& event) {
    if (event.kind != JournalEvent::Kind::DeviceAccessChanged) {
        return LOG_WARNING;
    }
    return event.active ? LOG_NOTICE : LOG_INFO;
}

QString devicesText(const JournalEvent& event) {
    if (event.camera && event.microphone) {
        return QStringLiteral("camera and microphone");
    }
    if (event.camera) {
        return QStringLiteral("camera");
    }
    return event.microphone ? QStringLiteral("microphone") : QStringLiteral("capture device");
}

QString message(const JournalEvent& event, const QString& name) {
    // One arg() call for both, so a "%1" in a process's name stays text.
    const QString who =
        event.pid > 0 ? QStringLiteral("%1 (pid %2)").arg(name, QString::number(event.pid)) : name;
    switch (event.kind) {
    case JournalEvent::Kind::DeviceAccessChanged: {
        QString devices = devicesText(event);
        devices[0] = devices[0].toUpper();
        return event.active ? QStringLiteral("%1 in use by %2").arg(devices, who)
                            : QStringLiteral("%1 no longer in use by %2").arg(devices, who);
    }
    case JournalEvent::Kind::HighRiskProcess:
        return QStringLiteral("High-risk process launched: %1").arg(who);
    case JournalEvent::Kind::DirectDeviceAccess:
        return QStringLiteral("Suspicious process %1 accesses the %2").arg(who, devicesText(event));
    }
    return who;
}

QByteArray field(const char* key, const QString& value) {
    return QByteArray(key) + '=' + value.toUtf8();
}

} // namespace

SystemdEventJournal::SystemdEventJournal(const ProcessServices& processes,
                                         RunningApplicationsService& applications)
    : processes_(processes), applications_(applications) {}

QList<QByteArray> SystemdEventJournal::fields(const JournalEvent& event) const {
    const bool hasProcess = event.pid > 0;
    QString name = event.name;
    if (name.isEmpty() && hasProcess) {
        name = processes_.shortName(static_cast<qint32>(event.pid));
    }

    QList<QByteArray> fields{
        field("MESSAGE",
              message(event, name.isEmpty() ? QStringLiteral("an unidentified process") : name)),
        field("PRIORITY", QString::number(priority(event))),
        QByteArrayLiteral("SYSLOG_IDENTIFIER=ostrel"),
        QByteArray("MESSAGE_ID=") + messageId(event.kind),
    };
    if (event.camera) {
        fields.append(QByteArrayLiteral("OSTREL_DEVICE=camera"));
    }
    if (event.microphone) {
        fields.append(QByteArrayLiteral("OSTREL_DEVICE=microphone"));
    }
    if (event.kind == JournalEvent::Kind::DeviceAccessChanged) {
        fields.append(field("OSTREL_ACTIVE", boolText(event.active)));
    }
    if (hasProcess) {
        const auto pid = static_cast<qint32>(event.pid);
        fields.append(field("OSTREL_PID", QString::number(pid)));
        if (const std::optional<QString> executable = processes_.executablePath(pid)) {
            fields.append(field("OSTREL_EXE", *executable));
        }
        if (const RunningApplicationRef owner = applications_.applicationOwning(pid);
            owner && owner->bundleIdentifier && !owner->bundleIdentifier->isEmpty()) {
            fields.append(field("OSTREL_APP_ID", *owner->bundleIdentifier));
        }
    }
    if (!name.isEmpty()) {
        fields.append(field("OSTREL_NAME", name));
    }
    return fields;
}

void SystemdEventJournal::record(const JournalEvent& event) {
    QList<QByteArray> entry = fields(event);
    std::vector<iovec> parts;
    parts.reserve(static_cast<size_t>(entry.size()));
    for (QByteArray& part : entry) {
        parts.push_back({part.data(), static_cast<size_t>(part.size())});
    }
    const int result = sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
    if (result < 0 && !failureLogged_) {
        failureLogged_ = true;
        logLine(QStringLiteral("⚠️ [Journal] Could not write to the system journal (%1); its "
                               "events stay in Ostrel's own log only")
                    .arg(QString::fromLocal8Bit(std::strerror(-result))));
    }
}

} // namespace ostrel
