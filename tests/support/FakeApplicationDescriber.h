#pragma once

#include "platform/ApplicationDescriber.h"

#include <QFileInfo>
#include <QHash>

namespace ostrel {

// Describes the paths the test registered; any other path by its file name only.
class FakeApplicationDescriber final : public ApplicationDescriber {
public:
    QString applicationsFolder() const override {
        return QStringLiteral("/usr/share/applications");
    }
    QStringList applicationFileFilters() const override {
        return {QStringLiteral("Applications (*.desktop)")};
    }
    ApplicationDescription describe(const QString& path) const override {
        return descriptions.value(path, {QString(), QFileInfo(path).completeBaseName()});
    }

    QHash<QString, ApplicationDescription> descriptions;
};

} // namespace ostrel
