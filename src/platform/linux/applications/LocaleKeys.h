#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// The "[locale]" suffixes of localized keys to try, best first, for a locale name such as
// "de_DE.UTF-8@euro": de_DE@euro, de_DE, de@euro, de. "C" and "POSIX" give none.
QStringList localeKeysFor(const QString& localeName);

// The suffixes for the user's language: LANGUAGE's list first (unless the locale is "C"),
// then the locale of LC_ALL, LC_MESSAGES or LANG, as the desktop resolves them.
QStringList localeKeysFromEnvironment();

} // namespace ostrel
