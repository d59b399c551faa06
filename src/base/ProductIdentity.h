#pragma once

#include <QString>

namespace ostrel {

// Ostrel's own names, by which it recognises (and never reports) itself.
inline const QString kProductName = QStringLiteral("Ostrel");
inline const QString kProductNameLowercase = QStringLiteral("ostrel");
inline const QString kBundleIdentifier = QStringLiteral("io.github.Ostrel");
inline const QString kBundleIdentifierLowercase = QStringLiteral("io.github.ostrel");

} // namespace ostrel
