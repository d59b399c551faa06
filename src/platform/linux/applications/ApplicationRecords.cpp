#include "platform/linux/applications/ApplicationRecords.h"

#include <algorithm>

namespace ostrel {
namespace {

bool sameRecord(const RunningApplication& a, const RunningApplication& b) {
    return a.processIdentifier == b.processIdentifier && a.localizedName == b.localizedName &&
           a.bundleIdentifier == b.bundleIdentifier && a.bundlePath == b.bundlePath &&
           a.isActive == b.isActive && a.regularActivationPolicy == b.regularActivationPolicy &&
           a.iconName == b.iconName;
}

} // namespace

ApplicationRecords::ApplicationRecords(const DesktopEntryIndex& entries,
                                       const FlatpakInstallations& flatpaks, const ProcFiles& proc)
    : entries_(entries), flatpaks_(flatpaks), proc_(proc) {}

RunningApplication ApplicationRecords::describe(const ScannedApplication& application,
                                                const RunningApplicationRef& previous,
                                                bool isActive) const {
    const QString& id = application.identity.applicationId;
    const std::vector<qint32>& tops = application.topPids;
    RunningApplication record;
    // An application started twice stays the process it was first seen as while that runs.
    record.processIdentifier =
        previous && std::find(tops.begin(), tops.end(), previous->processIdentifier) != tops.end()
            ? previous->processIdentifier
            : tops.front();
    record.bundleIdentifier = id;
    record.isActive = isActive;

    const DesktopEntry* entry = entries_.entry(id);
    if (entry) {
        record.localizedName = entry->name;
        record.bundlePath = entry->path;
        record.regularActivationPolicy = !entry->noDisplay;
        record.iconName = entry->icon;
    }
    if (application.identity.isFlatpak) {
        if (std::optional<QString> directory = flatpaks_.appDirectory(id)) {
            record.bundlePath = std::move(directory);
        }
    }
    if (!record.localizedName) {
        // Without an entry the application is known by its process name, as plain programs are.
        const QString name = proc_.shortName(record.processIdentifier);
        if (!name.isEmpty()) {
            record.localizedName = name;
        }
    }
    return record;
}

std::vector<RunningApplicationRef> ApplicationRecords::build(const ApplicationScan& scan,
                                                             std::optional<int> activeApplication) {
    std::vector<RunningApplicationRef> records;
    records.reserve(scan.applications.size());
    QHash<QString, RunningApplicationRef> current;
    for (int i = 0; i < int(scan.applications.size()); ++i) {
        const ScannedApplication& application = scan.applications[i];
        const RunningApplicationRef previous = previous_.value(application.identity.applicationId);
        RunningApplication record = describe(application, previous, activeApplication == i);
        RunningApplicationRef ref =
            previous && sameRecord(*previous, record)
                ? previous
                : std::make_shared<const RunningApplication>(std::move(record));
        current.insert(application.identity.applicationId, ref);
        records.push_back(std::move(ref));
    }
    previous_ = std::move(current);
    return records;
}

} // namespace ostrel
