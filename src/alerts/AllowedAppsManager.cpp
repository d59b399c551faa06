#include "alerts/AllowedAppsManager.h"

#include "base/Log.h"

namespace ostrel {

namespace {

const QString kProcessNameKey = QStringLiteral("processName");
const QString kBundleIdentifierKey = QStringLiteral("bundleIdentifier");
const QString kDeviceKey = QStringLiteral("device");
const QString kDateAddedKey = QStringLiteral("dateAdded");

std::optional<QVariantMap> asDictionary(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        return value.toMap();
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto entry = hash.cbegin(); entry != hash.cend(); ++entry) {
            map.insert(entry.key(), entry.value());
        }
        return map;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> stringValue(const QVariantMap& record, const QString& key) {
    const auto found = record.constFind(key);
    if (found == record.constEnd() || found->metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    return found->toString();
}

QString printedKeys(const AllowedApps& apps) {
    QStringList quoted;
    for (const QString& key : apps.keys()) {
        quoted.append(QLatin1Char('"') + key + QLatin1Char('"'));
    }
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString statusText(QSettings::Status status) {
    switch (status) {
    case QSettings::NoError:
        return QStringLiteral("no error");
    case QSettings::AccessError:
        return QStringLiteral("the preferences file cannot be written");
    case QSettings::FormatError:
        return QStringLiteral("the preferences file is damaged");
    }
    return QStringLiteral("unknown error");
}

} // namespace

AllowedAppsManager::AllowedAppsManager(QSettings& userDefaults, Clock clock)
    : userDefaults_(userDefaults), clock_(std::move(clock)) {}

AllowedAppsManager& AllowedAppsManager::shared() {
    // Never destroyed: late callers during shutdown still find it.
    static AllowedAppsManager* const instance =
        new AllowedAppsManager(*new QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")));
    return *instance;
}

AllowedAppsManager::Clock AllowedAppsManager::systemClock() {
    return [] { return QDateTime::currentDateTimeUtc(); };
}

QString AllowedAppsManager::entryKey(const QString& processName, const QString& device) {
    return processName + QLatin1Char('_') + device;
}

AllowedApps AllowedAppsManager::readAllowedApps() const {
    const QVariant stored = userDefaults_.value(allowedAppsKey);
    if (!stored.isValid()) {
        return {};
    }
    const std::optional<QVariantMap> dictionary = asDictionary(stored);
    if (!dictionary) {
        logLine(
            QStringLiteral("⚠️ [AllowedAppsManager] Stored allowed apps are not a dictionary "
                           "- reading none"));
        return {};
    }
    AllowedApps apps;
    for (auto entry = dictionary->cbegin(); entry != dictionary->cend(); ++entry) {
        if (const std::optional<QVariantMap> record = asDictionary(entry.value())) {
            apps.insert(entry.key(), *record);
        } else {
            logLine(
                QStringLiteral("⚠️ [AllowedAppsManager] Skipping damaged allowed app entry: ") +
                entry.key());
        }
    }
    return apps;
}

AllowedApps AllowedAppsManager::getAllowedApps() const {
    const AllowedApps apps = readAllowedApps();
    logLine(QStringLiteral("📱 [AllowedAppsManager] getAllowedApps() returning %1 apps")
                .arg(apps.size()));
    return apps;
}

QList<QVariantMap> AllowedAppsManager::getAllowedAppsForDisplay() const {
    const QList<QVariantMap> records = getAllowedApps().values();
    logLine(QStringLiteral(
                "📱 [AllowedAppsManager] getAllowedAppsForDisplay() returning %1 apps for display")
                .arg(records.size()));
    return records;
}

void AllowedAppsManager::addApp(const QString& processName, const QString& device) {
    storeEntry(processName, std::nullopt, device);
}

void AllowedAppsManager::addApp(const QString& bundleIdentifier, const QString& processName,
                                const QString& device) {
    logLine(QStringLiteral("📱 [AllowedAppsManager] Adding app: %1 for %2 with bundle: %3")
                .arg(processName, device, bundleIdentifier));
    storeEntry(processName, bundleIdentifier, device);
    logLine(QStringLiteral("📱 [AllowedAppsManager] App added successfully. Total apps: %1")
                .arg(readAllowedApps().size()));
}

void AllowedAppsManager::storeEntry(const QString& processName,
                                    const std::optional<QString>& bundleIdentifier,
                                    const QString& device) {
    AllowedApps apps = getAllowedApps();
    QVariantMap record{
        {kProcessNameKey, processName}, {kDeviceKey, device}, {kDateAddedKey, clock_()}};
    if (bundleIdentifier && !bundleIdentifier->isEmpty()) {
        record.insert(kBundleIdentifierKey, *bundleIdentifier);
    }
    apps.insert(entryKey(processName, device), record);
    saveAllowedApps(apps);
}

bool AllowedAppsManager::isAppAllowed(const QString& processName, const QString& device) const {
    // An empty name is part of every name: it must not match every entry.
    if (processName.isEmpty()) {
        return false;
    }
    const AllowedApps apps = getAllowedApps();
    if (apps.contains(entryKey(processName, device))) {
        return true;
    }
    const QString name = processName.toLower();
    const QString wantedDevice = device.toLower();
    for (const QString& key : apps.keys()) {
        QStringList parts = key.split(QLatin1Char('_'));
        if (parts.size() < 2) {
            continue;
        }
        const QString keyDevice = parts.takeLast().toLower();
        const QString keyName = parts.join(QLatin1Char('_')).toLower();
        if (keyName.isEmpty() || keyDevice != wantedDevice) {
            continue;
        }
        if (keyName == name || name.contains(keyName) || keyName.contains(name)) {
            return true;
        }
    }
    return false;
}

bool AllowedAppsManager::isAppAllowed(const std::optional<QString>& bundleIdentifier,
                                      const QString& processName, const QString& device) const {
    if (isAppAllowed(processName, device)) {
        return true;
    }
    if (!bundleIdentifier) {
        return false;
    }
    const QString wantedDevice = device.toLower();
    for (const QVariantMap& record : getAllowedApps()) {
        const std::optional<QString> bundle = stringValue(record, kBundleIdentifierKey);
        const std::optional<QString> recordDevice = stringValue(record, kDeviceKey);
        if (bundle == bundleIdentifier && recordDevice && recordDevice->toLower() == wantedDevice) {
            return true;
        }
    }
    return false;
}

void AllowedAppsManager::saveAllowedApps(const AllowedApps& apps) {
    QVariantMap dictionary;
    for (auto entry = apps.cbegin(); entry != apps.cend(); ++entry) {
        dictionary.insert(entry.key(), entry.value());
    }
    userDefaults_.setValue(allowedAppsKey, dictionary);
    userDefaults_.sync();
    logLine(QStringLiteral("📱 [AllowedAppsManager] Saved to UserDefaults. Keys: ") +
            printedKeys(apps));
    // The store answers reads from memory, so reading back cannot tell whether the list
    // reached the disk: only a clean sync can.
    if (const QSettings::Status status = userDefaults_.status(); status != QSettings::NoError) {
        logLine(QStringLiteral("❌ [AllowedAppsManager] Allowed apps were not saved: ") +
                statusText(status));
        return;
    }
    logLine(
        QStringLiteral("📱 [AllowedAppsManager] Verification - retrieved %1 apps from UserDefaults")
            .arg(readAllowedApps().size()));
}

} // namespace ostrel
