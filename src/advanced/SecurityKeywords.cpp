#include "advanced/SecurityKeywords.h"

namespace ostrel::security {

namespace {

// Where Linux keeps programs that came with the system or a package manager.
const QStringList kLinuxProgramLocations{"/usr/bin/",     "/usr/sbin/",        "/usr/lib/",
                                         "/usr/libexec/", "/usr/local/bin/",   "/opt/",
                                         "/app/",         "/var/lib/flatpak/", "/snap/"};

// Where both legitimacy checks trust programs to live, before the Linux locations.
const QStringList kLegitimateLocationsHead{"/Applications/", "/System/Applications/",
                                           "/System/Library/", "/usr/bin/", "/usr/sbin/"};

QStringList withLinuxLocations(QStringList list) {
    for (const QString& location : kLinuxProgramLocations) {
        if (!list.contains(location)) {
            list.append(location);
        }
    }
    return list;
}

} // namespace

const QStringList& knownMediaBundleIdentifiers() {
    // The detector's media applications without Thunderbird and Atom, which the comparison must
    // not name as device users, and with Slack's older identifier.
    static const QStringList list = [] {
        QStringList list = keywords::knownMediaApplications();
        list.removeOne(QStringLiteral("org.mozilla.thunderbird"));
        list.removeOne(QStringLiteral("com.github.atom"));
        list.insert(list.indexOf(QStringLiteral("com.slack.Slack")) + 1,
                    QStringLiteral("com.tinyspeck.slackmacgap"));
        return list;
    }();
    return list;
}

const QStringList& knownAppKeywords() {
    static const QStringList list{"slack",    "zoom",       "teams",     "discord",
                                  "skype",    "facetime",   "chrome",    "safari",
                                  "firefox",  "photobooth", "quicktime", "whatsapp",
                                  "telegram", "signal",     "obs",       "streamlabs"};
    return list;
}

const QStringList& legitimateNameKeywords() {
    // The known applications and the system's own device helpers, which the direct-access check
    // trusts by name too (the security check knows them as system processes).
    static const QStringList list =
        knownAppKeywords() + QStringList{"finder", "vdcassistant", "coreaudiod"};
    return list;
}

const QStringList& legitimatePathPrefixes() {
    static const QStringList list = withLinuxLocations(kLegitimateLocationsHead);
    return list;
}

const QStringList& legitimateLocations() {
    // The security check also trusts the helpers that applications keep in Application Support.
    static const QStringList list =
        withLinuxLocations(kLegitimateLocationsHead + QStringList{"/Library/Application Support/"});
    return list;
}

const QStringList& systemProcessNames() {
    static const QStringList list{"VDCAssistant", "coreaudiod", "UserEventAgent", "WindowServer",
                                  // Linux's sound servers
                                  "pipewire", "wireplumber", "pulseaudio"};
    return list;
}

const QStringList& suspiciousKeywords() {
    static const QStringList list{"keylogger", "screencap", "recorder", "monitor", "spy",
                                  "backdoor",  "trojan",    "malware",  "stealer"};
    return list;
}

const QStringList& temporaryPathPrefixes() {
    static const QStringList list{"/tmp/", "/var/tmp/", "/dev/shm/", "/private/tmp/"};
    return list;
}

const QStringList& usualLocations() {
    static const QStringList list{"/Applications/", "/System/", "/usr/bin/", "/usr/sbin/",
                                  "/Library/", "/Users/",
                                  // Linux's homes and installed programs
                                  "/home/", "/usr/", "/opt/"};
    return list;
}

const QStringList& cameraNameKeywords() {
    static const QStringList list{
        "facetime",   "zoom",       "skype",           "teams",     "webex",  "camera",
        "photobooth", "obs",        "screenrecording", "quicktime", "meet",   "discord",
        "slack",      "telegram",   "signal",          "safari",    "chrome", "firefox",
        "edge",       "streamlabs", "wirecast",        "mmhmm",     "camo",   "loom",
        "screenflow", "camtasia"};
    return list;
}

const QStringList& cameraPathKeywords() {
    static const QStringList list{"avfoundation", "coremediaio", "imageio", "videotoolbox",
                                  "coremedia",    "avkit",       "camera",  "capture"};
    return list;
}

const QStringList& microphoneNameKeywords() {
    static const QStringList list{"garageband",  "logic",     "audacity", "discord",    "zoom",
                                  "skype",       "teams",     "facetime", "voice",      "recorder",
                                  "soundflower", "loopback",  "audio",    "microphone", "whisper",
                                  "transcribe",  "dictation", "siri",     "telegram",   "signal",
                                  "slack",       "meet",      "webex"};
    return list;
}

const QStringList& microphonePathKeywords() {
    static const QStringList list{"coreaudio", "audiotoolbox", "avaudiosession", "audiounit",
                                  "midi",      "sound",        "audio"};
    return list;
}

bool startsWithAny(const QString& text, const QStringList& prefixes) {
    for (const QString& prefix : prefixes) {
        if (text.startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace ostrel::security
