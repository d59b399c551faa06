#include "platform/linux/applications/LocaleKeys.h"

#include <QtGlobal>

namespace ostrel {

QStringList localeKeysFor(const QString& localeName) {
    QString rest = localeName.trimmed();
    if (rest.isEmpty() || rest == u"C" || rest.startsWith(u"C.") || rest == u"POSIX") {
        return {};
    }
    QString modifier;
    if (const qsizetype at = rest.indexOf(u'@'); at >= 0) {
        modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(u'.'); dot >= 0) {
        rest.truncate(dot); // the encoding plays no part in the match
    }
    QString language = rest;
    QString country;
    if (const qsizetype underscore = rest.indexOf(u'_'); underscore >= 0) {
        language = rest.left(underscore);
        country = rest.mid(underscore + 1);
    }
    if (language.isEmpty()) {
        return {};
    }
    QStringList keys;
    if (!country.isEmpty() && !modifier.isEmpty()) {
        keys.append(language + u'_' + country + u'@' + modifier);
    }
    if (!country.isEmpty()) {
        keys.append(language + u'_' + country);
    }
    if (!modifier.isEmpty()) {
        keys.append(language + u'@' + modifier);
    }
    keys.append(language);
    return keys;
}

QStringList localeKeysFromEnvironment() {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty()) {
            break;
        }
    }
    const QStringList ownKeys = localeKeysFor(locale);
    if (ownKeys.isEmpty()) {
        return {};
    }
    QStringList keys;
    for (const QString& language :
         qEnvironmentVariable("LANGUAGE").split(u':', Qt::SkipEmptyParts)) {
        for (const QString& key : localeKeysFor(language)) {
            if (!keys.contains(key)) {
                keys.append(key);
            }
        }
    }
    for (const QString& key : ownKeys) {
        if (!keys.contains(key)) {
            keys.append(key);
        }
    }
    return keys;
}

} // namespace ostrel
