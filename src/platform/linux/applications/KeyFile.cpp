#include "platform/linux/applications/KeyFile.h"

namespace ostrel {
namespace {

// Keys are ASCII letters, digits and '-', optionally followed by a "[locale]" suffix.
bool isValidKey(QStringView key) {
    const qsizetype open = key.indexOf(u'[');
    const QStringView name = open < 0 ? key : key.left(open);
    if (name.isEmpty()) {
        return false;
    }
    for (const QChar c : name) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'-')) {
            return false;
        }
    }
    if (open < 0) {
        return true;
    }
    const QStringView locale = key.mid(open + 1);
    return locale.size() > 1 && locale.endsWith(u']') && !locale.chopped(1).contains(u'[') &&
           !locale.chopped(1).contains(u']');
}

QString unescape(QStringView raw) {
    QString result;
    result.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            result.append(c);
            continue;
        }
        const QChar next = raw.at(++i);
        switch (next.unicode()) {
        case 's':
            result.append(u' ');
            break;
        case 'n':
            result.append(u'\n');
            break;
        case 't':
            result.append(u'\t');
            break;
        case 'r':
            result.append(u'\r');
            break;
        default:
            // "\\" and "\;" stand for themselves; an unknown escape keeps its character.
            result.append(next);
            break;
        }
    }
    return result;
}

} // namespace

KeyFile KeyFile::parse(QByteArrayView text) {
    KeyFile file;
    QString content = QString::fromUtf8(text);
    if (content.startsWith(QChar(0xfeff))) {
        content.remove(0, 1);
    }
    QHash<QString, QString>* group = nullptr;
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            if (trimmed.endsWith(u']') && trimmed.size() > 2) {
                group = &file.groups_[trimmed.mid(1, trimmed.size() - 2).toString()];
            } else {
                group = nullptr; // a damaged header: its keys belong to no group
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!group || equals < 0) {
            continue;
        }
        const QStringView key = line.left(equals).trimmed();
        if (!isValidKey(key)) {
            continue;
        }
        QStringView value = line.mid(equals + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t')) {
            value = value.mid(1);
        }
        group->insert(key.toString(), value.toString());
    }
    return file;
}

bool KeyFile::hasGroup(const QString& group) const {
    return groups_.contains(group);
}

std::optional<QString> KeyFile::value(const QString& group, const QString& key) const {
    const auto foundGroup = groups_.constFind(group);
    if (foundGroup == groups_.constEnd()) {
        return std::nullopt;
    }
    const auto found = foundGroup->constFind(key);
    if (found == foundGroup->constEnd()) {
        return std::nullopt;
    }
    return unescape(*found);
}

std::optional<QString> KeyFile::localizedValue(const QString& group, const QString& key,
                                               const QStringList& localeKeys) const {
    for (const QString& locale : localeKeys) {
        if (std::optional<QString> localized = value(group, key + u'[' + locale + u']')) {
            return localized;
        }
    }
    return value(group, key);
}

QStringList KeyFile::listValue(const QString& group, const QString& key) const {
    const auto foundGroup = groups_.constFind(group);
    if (foundGroup == groups_.constEnd() || !foundGroup->contains(key)) {
        return {};
    }
    const QString raw = foundGroup->value(key);
    QStringList elements;
    qsizetype start = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == u'\\') {
            ++i; // the escaped character never ends an element
        } else if (raw.at(i) == u';') {
            elements.append(unescape(QStringView(raw).mid(start, i - start)));
            start = i + 1;
        }
    }
    if (start < raw.size()) {
        elements.append(unescape(QStringView(raw).mid(start)));
    }
    return elements;
}

bool KeyFile::booleanValue(const QString& group, const QString& key) const {
    const std::optional<QString> text = value(group, key);
    return text && (text->trimmed() == u"true" || text->trimmed() == u"1");
}

} // namespace ostrel
