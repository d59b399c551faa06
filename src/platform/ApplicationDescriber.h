#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// What Ostrel knows about an application the user picked as a file.
struct ApplicationDescription {
    QString bundleIdentifier; // empty when the file could not be read as an application
    QString displayName;      // never empty for a path with a file name
};

// Where the installed applications live and how to read one of them. On Linux an
// application is a desktop entry: its identifier is the desktop-file id, its name the
// localized Name=.
class ApplicationDescriber {
public:
    virtual ~ApplicationDescriber() = default;

    // Where a chooser of applications starts.
    virtual QString applicationsFolder() const = 0;
    // Name filters of the files that are applications.
    virtual QStringList applicationFileFilters() const = 0;
    // A file that cannot be read as an application still gets its file name, without the
    // extension, and no identifier.
    virtual ApplicationDescription describe(const QString& path) const = 0;
};

} // namespace ostrel
