#include "detection/AttributionKeywords.h"

#include <algorithm>

namespace ostrel {

namespace keywords {

namespace {

// Applications that both ranking lists name, in groups; each list adds its own device's
// applications around them.
const QStringList kBrowserIdentifiers{"com.google.Chrome",     "com.google.Chrome.beta",
                                      "com.google.Chrome.dev", "com.google.Chrome.canary",
                                      "org.mozilla.firefox",   "com.apple.Safari",
                                      "com.microsoft.edgemac"};
const QStringList kCallIdentifiers{"us.zoom.xos",         "com.skype.skype", "com.microsoft.teams",
                                   "com.discord.discord", "com.slack.slack", "com.apple.FaceTime",
                                   "org.telegram.desktop"};
const QStringList kStreamingIdentifiers{
    "com.obsproject.obs-studio", "com.streamlabs.desktop",        "tv.twitch.desktop",
    "com.webex.meetingmanager",  "com.gotomeeting.GoToMeetingHD", "com.bluejeans.BlueJeansApp"};

// The call applications, which use both devices, open the audio, camera and media keywords.
const QStringList kCallKeywords{"zoom", "skype", "teams", "discord", "slack"};

} // namespace

const QStringList& knownCameraApplications() {
    // "com.apple.facetime" is lower case on purpose: this list matches exactly.
    static const QStringList list{
        "com.apple.PhotoBooth", "com.apple.facetime",         "com.microsoft.teams", "us.zoom.xos",
        "com.skype.skype",      "com.apple.QuickTimePlayerX", "com.discord.discord"};
    return list;
}

const QStringList& knownAudioApplications() {
    static const QStringList list =
        kBrowserIdentifiers + QStringList{"com.operasoftware.Opera"} + kCallIdentifiers +
        QStringList{
            "org.signal.Signal",    "net.whatsapp.WhatsApp",     "com.facebook.archon.developerID",
            "com.apple.VoiceMemos", "com.apple.garageband10",    "com.apple.Logic",
            "com.cockos.reaper",    "com.audacityteam.audacity", "com.spotify.client",
            "com.apple.Music",      "com.apple.podcasts"} +
        kStreamingIdentifiers;
    return list;
}

const QStringList& knownCameraRankingApplications() {
    static const QStringList list =
        kCallIdentifiers + QStringList{"net.whatsapp.WhatsApp"} + kBrowserIdentifiers +
        QStringList{"com.apple.PhotoBooth",  "com.apple.QuickTimePlayerX",
                    "com.apple.FinalCutPro", "com.apple.iMovie",
                    "com.adobe.PremierePro", "com.adobe.AfterEffects"} +
        kStreamingIdentifiers;
    return list;
}

const QStringList& audioKeywords() {
    static const QStringList list =
        kCallKeywords + QStringList{"facetime",  "voicememos", "garageband", "audacity",
                                    "logic",     "reaper",     "obs",        "streamlabs",
                                    "recording", "voice",      "audio",      "music"};
    return list;
}

const QStringList& cameraKeywords() {
    static const QStringList list =
        kCallKeywords +
        QStringList{"facetime", "photobooth", "quicktime",  "chrome",  "firefox",  "safari",
                    "edge",     "obs",        "streamlabs", "camera",  "video",    "photo",
                    "movie",    "premiere",   "finalcut",   "davinci", "imovie",   "telegram",
                    "whatsapp", "messenger",  "signal",     "meet",    "hangouts", "webex"};
    return list;
}

const QStringList& mediaKeywords() {
    static const QStringList list =
        kCallKeywords + QStringList{"webex",   "facetime", "camera",  "photo",      "video",
                                    "audio",   "mic",      "obs",     "streamlabs", "twitch",
                                    "youtube", "meet",     "hangouts"};
    return list;
}

const QStringList& knownMediaApplications() {
    // Letter case differs from the ranking lists ("com.slack.Slack"); matched as written.
    static const QStringList list{"com.apple.facetime",
                                  "com.skype.skype",
                                  "us.zoom.xos",
                                  "com.microsoft.teams",
                                  "com.google.chrome",
                                  "org.mozilla.firefox",
                                  "com.apple.PhotoBooth",
                                  "com.apple.QuickTimePlayerX",
                                  "com.discord.discord",
                                  "com.slack.Slack",
                                  "com.whatsapp.WhatsApp",
                                  "com.apple.VoiceMemos",
                                  "com.apple.GarageBand",
                                  "com.audacityteam.audacity",
                                  "com.apple.logic10",
                                  "org.videolan.vlc",
                                  "org.mozilla.thunderbird",
                                  "com.apple.Safari",
                                  "com.microsoft.VSCode",
                                  "com.github.atom"};
    return list;
}

const QStringList& mediaFamilyKeywords() {
    static const QStringList list{"chrome", "firefox",  "safari",    "edge",     "telegram",
                                  "signal", "whatsapp", "messenger", "vscode",   "atom",
                                  "obs",    "stream",   "final",     "premiere", "davinci",
                                  "logic",  "garage",   "audacity"};
    return list;
}

} // namespace keywords

namespace {

// Some keyword, tried in order, is in the identifier or in the name.
bool matchesKeyword(const QString& bundleIdentifier, const std::optional<QString>& name,
                    const QStringList& words) {
    const QString identifier = bundleIdentifier.toLower();
    const QString loweredName = name ? name->toLower() : QString();
    for (const QString& word : words) {
        if (identifier.contains(word) || (name && loweredName.contains(word))) {
            return true;
        }
    }
    return false;
}

// Listed exactly, or with a hint word in the lower-cased identifier.
bool isListedOrHinted(const QString& bundleIdentifier, const QStringList& listed,
                      const QStringList& hints) {
    return listed.contains(bundleIdentifier) || containsAny(bundleIdentifier.toLower(), hints);
}

} // namespace

bool containsAny(const QString& loweredText, const QStringList& words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const QString& word) { return loweredText.contains(word); });
}

bool isKnownAudioApp(const QString& bundleIdentifier) {
    static const QStringList hints{"audio", "voice", "mic", "record"};
    return isListedOrHinted(bundleIdentifier, keywords::knownAudioApplications(), hints);
}

bool isLikelyAudioApp(const QString& bundleIdentifier, const std::optional<QString>& name) {
    return matchesKeyword(bundleIdentifier, name, keywords::audioKeywords());
}

bool isKnownCameraApp(const QString& bundleIdentifier) {
    static const QStringList hints{"camera", "video", "photo", "facetime"};
    return isListedOrHinted(bundleIdentifier, keywords::knownCameraRankingApplications(), hints);
}

bool isLikelyCameraApp(const QString& bundleIdentifier, const std::optional<QString>& name) {
    return matchesKeyword(bundleIdentifier, name, keywords::cameraKeywords());
}

bool isMediaKeywordApp(const QString& bundleIdentifier) {
    return containsAny(bundleIdentifier.toLower(), keywords::mediaKeywords());
}

bool isKnownMediaApp(const QString& bundleIdentifier) {
    return keywords::knownMediaApplications().contains(bundleIdentifier);
}

bool isMediaFamilyApp(const QString& bundleIdentifier) {
    return containsAny(bundleIdentifier.toLower(), keywords::mediaFamilyKeywords());
}

} // namespace ostrel
