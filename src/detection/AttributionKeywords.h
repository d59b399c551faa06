#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

// The fixed identifier lists and keywords by which the detector guesses which application
// uses a device when the system names no holder. Identifier lists match exactly, letter
// case included; keyword tests look at lower-cased text.
namespace keywords {

// Applications whose being active alone counts as camera use.
const QStringList& knownCameraApplications();
// Ranking lists.
const QStringList& knownAudioApplications();
const QStringList& knownCameraRankingApplications();
const QStringList& audioKeywords();
const QStringList& cameraKeywords();
// Camera fallback lists.
const QStringList& mediaKeywords();
const QStringList& knownMediaApplications();
const QStringList& mediaFamilyKeywords();

} // namespace keywords

// Whether the lower-cased text contains one of the words.
bool containsAny(const QString& loweredText, const QStringList& words);

bool isKnownAudioApp(const QString& bundleIdentifier);
bool isLikelyAudioApp(const QString& bundleIdentifier, const std::optional<QString>& name);
bool isKnownCameraApp(const QString& bundleIdentifier);
bool isLikelyCameraApp(const QString& bundleIdentifier, const std::optional<QString>& name);
bool isMediaKeywordApp(const QString& bundleIdentifier);
bool isKnownMediaApp(const QString& bundleIdentifier);
bool isMediaFamilyApp(const QString& bundleIdentifier);

} // namespace ostrel
