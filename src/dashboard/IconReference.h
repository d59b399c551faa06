#pragma once

#include <QString>

namespace ostrel {

// An icon the dashboard shows, described without drawing it: the application's own icon
// (icon theme name or image file path) when known, else a symbol of the shared catalogue.
struct IconReference {
    QString applicationIcon;
    QString symbolName;

    static IconReference symbol(const QString& name) { return {QString(), name}; }
    static IconReference application(const QString& icon) { return {icon, QString()}; }
    bool isEmpty() const { return applicationIcon.isEmpty() && symbolName.isEmpty(); }

    friend bool operator==(const IconReference&, const IconReference&) = default;
};

} // namespace ostrel
