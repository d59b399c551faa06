#pragma once

#include <QDateTime>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace ostrel {

// Entry key ("zoom.us_Camera") -> entry record {"processName", "bundleIdentifier" (only when
// given), "device", "dateAdded"}.
using AllowedApps = QMap<QString, QVariantMap>;

// The user's list of applications that may use a device without an alert. It lives only in
// the preferences store: every query reads the store afresh, so all callers see each other's
// changes at once.
class AllowedAppsManager {
public:
    using Clock = std::function<QDateTime()>;

    static inline const QString allowedAppsKey = QStringLiteral("OstrelAllowedApps");

    // `userDefaults` must outlive the manager; `clock` stamps "dateAdded".
    explicit AllowedAppsManager(QSettings& userDefaults, Clock clock = systemClock());
    AllowedAppsManager(const AllowedAppsManager&) = delete;
    AllowedAppsManager& operator=(const AllowedAppsManager&) = delete;

    // The one store of the application, on the user's preferences (organization and
    // application "Ostrel"); created on first use and never destroyed.
    static AllowedAppsManager& shared();
    static Clock systemClock();
    // The entry key of a name and a device text.
    static QString entryKey(const QString& processName, const QString& device);

    AllowedApps getAllowedApps() const;
    QList<QVariantMap> getAllowedAppsForDisplay() const;

    void addApp(const QString& processName, const QString& device);
    void addApp(const QString& bundleIdentifier, const QString& processName, const QString& device);

    // Loose and case-insensitive: an entry for Zoom covers zoom.us, and one for a long name
    // covers every process whose name is part of it. An empty name is covered by nothing.
    bool isAppAllowed(const QString& processName, const QString& device) const;
    // The name rule, then an exact bundle identifier with the same device.
    bool isAppAllowed(const std::optional<QString>& bundleIdentifier, const QString& processName,
                      const QString& device) const;

    // Replaces the stored list, forces it to disk and reads it back.
    void saveAllowedApps(const AllowedApps& apps);

private:
    // The stored list without logging its size; a damaged record is left out and logged.
    AllowedApps readAllowedApps() const;
    void storeEntry(const QString& processName, const std::optional<QString>& bundleIdentifier,
                    const QString& device);

    QSettings& userDefaults_;
    Clock clock_;
};

} // namespace ostrel
