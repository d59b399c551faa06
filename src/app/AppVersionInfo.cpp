#include "app/AppVersionInfo.h"

#include "Version.h"

namespace ostrel {

namespace {

std::optional<QString> present(const char* value) {
    const QString text = QString::fromUtf8(value);
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

AppVersionInfo AppVersionInfo::current() {
    return {present(kVersion), present(kBuildNumber)};
}

QString AppVersionInfo::displayText() const {
    const QString unknown = QStringLiteral("Unknown");
    return QStringLiteral("Ostrel v%1 (Build %2)")
        .arg(shortVersion.value_or(unknown), buildNumber.value_or(unknown));
}

} // namespace ostrel
