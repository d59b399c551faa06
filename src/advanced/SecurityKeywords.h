#pragma once

#include "detection/AttributionKeywords.h"

#include <QString>
#include <QStringList>

namespace ostrel::security {

// Fixed lists by which the advanced monitor and the process tracker judge a process. Each is
// matched in its own way (exact, prefix or lower-cased substring); lists that differ only by a
// few entries are built from one another, and the Linux locations and names stand beside the
// listed ones.

const QStringList& knownMediaBundleIdentifiers(); // exact
const QStringList& legitimateNameKeywords();      // substring of the lower-cased name
const QStringList& legitimatePathPrefixes();      // prefix of the executable path
const QStringList& systemProcessNames();          // lower-cased substring, both sides
const QStringList& knownAppKeywords();            // substring of the lower-cased name
const QStringList& legitimateLocations();         // prefix of the executable path

const QStringList& suspiciousKeywords();     // lower-cased name or path
const QStringList& temporaryPathPrefixes();  // prefix
const QStringList& usualLocations();         // prefix
const QStringList& cameraNameKeywords();     // lower-cased executable name
const QStringList& cameraPathKeywords();     // lower-cased path
const QStringList& microphoneNameKeywords(); // lower-cased executable name
const QStringList& microphonePathKeywords(); // lower-cased path

using ostrel::containsAny;
bool startsWithAny(const QString& text, const QStringList& prefixes);

} // namespace ostrel::security
