#pragma once

#include "platform/ApplicationDescriber.h"
#include "platform/linux/applications/DesktopEntryIndex.h"

namespace ostrel {

// Applications are desktop entries. A chosen file is described by the desktop-entry reader the
// running-applications service uses, so both agree on ids and names.
class LinuxApplicationDescriber final : public ApplicationDescriber {
public:
    explicit LinuxApplicationDescriber(
        QStringList dataDirs = DesktopEntryIndex::dataDirsFromEnvironment(),
        QStringList localeKeys = localeKeysFromEnvironment(),
        QString applicationsFolder = QStringLiteral("/usr/share/applications"));

    QString applicationsFolder() const override { return applicationsFolder_; }
    QStringList applicationFileFilters() const override;
    ApplicationDescription describe(const QString& path) const override;

private:
    QStringList dataDirs_;
    QStringList localeKeys_;
    QString applicationsFolder_;
};

} // namespace ostrel
