#include "platform/linux/audio/LinuxAudioSystem.h"

#include "base/Log.h"
#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AudioSnapshotQueries.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <pulse/def.h>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

// The statuses of a device query that could not be answered, libpulse's own error codes.
constexpr qint32 kNoSoundServer = PA_ERR_CONNECTIONREFUSED;
constexpr qint32 kNoSuchDevice = PA_ERR_NOENTITY;

constexpr double kFirstReconnectDelay = 1.0;
constexpr double kLongestReconnectDelay = 30.0;

// How long construction waits for the sound server's first answer, so the first questions
// already get real answers. A local server answers in milliseconds.
constexpr std::chrono::milliseconds kFirstAnswerBound{2000};

std::vector<QString> microphoneNames(const AudioSnapshot& snapshot) {
    std::vector<QString> names;
    for (const auto& [index, source] : snapshot.sources) {
        if (!source.isMonitor) {
            names.push_back(source.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool hasNameMissingFrom(const std::vector<QString>& names, const std::vector<QString>& others) {
    return std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return !std::binary_search(others.begin(), others.end(), name);
    });
}

std::vector<quint32> outputIndexes(const AudioSnapshot& snapshot) {
    std::vector<quint32> indexes;
    for (const auto& entry : snapshot.sourceOutputs) {
        indexes.push_back(entry.first);
    }
    return indexes;
}

} // namespace

LinuxAudioSystem::LinuxAudioSystem(MainRunLoop& loop, qint32 ownPid, LinuxAudioRoots roots,
                                   QString server)
    : loop_(loop), ownPid_(ownPid), devSndRoot_(std::move(roots.devSnd)),
      alsa_(std::move(roots.asound), std::move(roots.proc)),
      inbox_(std::make_shared<ThreadHandOver<Event>>()) {
    const WeakRef<LinuxAudioSystem> self(this);
    client_ = std::make_unique<PulseAudioClient>(
        std::move(server), [inbox = inbox_, &loop, self](Event event) {
            inbox->push(std::move(event));
            loop.post([self] {
                if (LinuxAudioSystem* system = self.get()) {
                    system->takeEvents();
                }
            });
        });
    client_->connect();
    if (inbox_->waitForItem(kFirstAnswerBound)) {
        takeEvents();
    }
}

LinuxAudioSystem::~LinuxAudioSystem() {
    client_.reset();
}

void LinuxAudioSystem::takeEvents() {
    for (Event& event : inbox_->takeAll()) {
        handle(std::move(event));
    }
}

void LinuxAudioSystem::handle(Event event) {
    switch (event.kind) {
    case Event::Kind::Connected: {
        reconnectTimer_.cancel();
        reconnectDelay_ = kFirstReconnectDelay;
        reportedNoServer_ = false;
        connected_ = true;
        logLine(QStringLiteral("🔊 [Audio] Connected to the sound server ") + event.detail);
        if (std::exchange(connectionLost_, false)) {
            snapshot_ = std::move(event.snapshot);
            observers_.notify([](AudioSystemObserver& o) { o.mediaServicesReset(); });
        } else {
            adopt(std::move(event.snapshot));
        }
        break;
    }
    case Event::Kind::Updated:
        if (connected_) {
            adopt(std::move(event.snapshot));
        }
        break;
    case Event::Kind::ConnectFailed:
        if (!reportedNoServer_) {
            reportedNoServer_ = true;
            logLine(QStringLiteral("⚠️ [Audio] No sound server answers (") + event.detail +
                    QStringLiteral("); microphones come from ALSA until one does"));
        }
        scheduleReconnect();
        break;
    case Event::Kind::ConnectionLost:
        logLine(QStringLiteral("⚠️ [Audio] Lost the sound server (") + event.detail +
                QStringLiteral("); reconnecting"));
        connected_ = false;
        connectionLost_ = true;
        reportedNoServer_ = true;
        reconnectDelay_ = kFirstReconnectDelay;
        adopt({});
        scheduleReconnect();
        break;
    }
}

// Tells the observers what the new snapshot changed.
void LinuxAudioSystem::adopt(AudioSnapshot snapshot) {
    const AudioSnapshot before = std::exchange(snapshot_, std::move(snapshot));
    const AudioSnapshotQueries was(before, ownPid_);
    const AudioSnapshotQueries now(snapshot_, ownPid_);

    const std::vector<QString> namesBefore = microphoneNames(before);
    const std::vector<QString> namesNow = microphoneNames(snapshot_);
    const bool usageMayHaveChanged = outputIndexes(before) != outputIndexes(snapshot_) ||
                                     was.countingOutputs() != now.countingOutputs() ||
                                     was.defaultInputDevice() != now.defaultInputDevice();

    if (hasNameMissingFrom(namesBefore, namesNow)) {
        observers_.notify([](AudioSystemObserver& o) { o.inputDeviceDisconnected(); });
    }
    if (hasNameMissingFrom(namesNow, namesBefore)) {
        observers_.notify([](AudioSystemObserver& o) { o.inputDeviceConnected(); });
    }
    if (usageMayHaveChanged) {
        observers_.notify([](AudioSystemObserver& o) { o.microphoneUsageMayHaveChanged(); });
    }
}

void LinuxAudioSystem::scheduleReconnect() {
    reconnectTimer_ = loop_.scheduleOnce(reconnectDelay_, [this] { client_->connect(); });
    reconnectDelay_ = std::min(reconnectDelay_ * 2, kLongestReconnectDelay);
}

std::vector<CaptureDevice> LinuxAudioSystem::microphones() {
    if (connected_) {
        return AudioSnapshotQueries(snapshot_, ownPid_).microphones();
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return AlsaCaptureQueries(pcms, ownPid_).microphones();
}

AuthorizationStatus LinuxAudioSystem::authorizationStatus() {
    return connected_ || canOpenCaptureNodes() ? AuthorizationStatus::Authorized
                                               : AuthorizationStatus::Denied;
}

// Only the permission is tested: opening a capture node would itself claim the device.
bool LinuxAudioSystem::canOpenCaptureNodes() const {
    const QStringList nodes =
        QDir(devSndRoot_).entryList({QStringLiteral("pcmC*D*c")}, QDir::AllEntries | QDir::System);
    return std::any_of(nodes.begin(), nodes.end(), [this](const QString& node) {
        const QByteArray path = QFile::encodeName(devSndRoot_ + QLatin1Char('/') + node);
        return ::access(path.constData(), R_OK) == 0;
    });
}

AudioAnswer<AudioDeviceId> LinuxAudioSystem::defaultInputDevice() {
    if (!connected_) {
        return {kNoSoundServer, 0};
    }
    return {0, AudioSnapshotQueries(snapshot_, ownPid_).defaultInputDevice()};
}

AudioAnswer<bool> LinuxAudioSystem::isRunningSomewhere(AudioDeviceId device) {
    if (!connected_) {
        return {kNoSoundServer, false};
    }
    const std::optional<bool> running =
        AudioSnapshotQueries(snapshot_, ownPid_).isRunningSomewhere(device);
    return running ? AudioAnswer<bool>{0, *running} : AudioAnswer<bool>{kNoSuchDevice, false};
}

AudioAnswer<qint32> LinuxAudioSystem::exclusiveOwner(AudioDeviceId device) {
    if (!connected_) {
        return {kNoSoundServer, -1};
    }
    if (!AudioSnapshotQueries(snapshot_, ownPid_).hasDevice(device)) {
        return {kNoSuchDevice, -1};
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return {0, AlsaCaptureQueries(pcms, ownPid_).exclusiveOwner()};
}

AudioAnswer<std::vector<quint32>> LinuxAudioSystem::inputStreams(AudioDeviceId device) {
    if (!connected_) {
        return {kNoSoundServer, {}};
    }
    std::optional<std::vector<quint32>> streams =
        AudioSnapshotQueries(snapshot_, ownPid_).inputStreams(device);
    if (!streams) {
        return {kNoSuchDevice, {}};
    }
    return {0, std::move(*streams)};
}

AudioAnswer<quint32> LinuxAudioSystem::clientObjectForPid(qint32 pid) {
    if (!connected_) {
        return {kNoSoundServer, 0};
    }
    return {0, AudioSnapshotQueries(snapshot_, ownPid_).clientObjectForPid(pid)};
}

std::vector<qint32> LinuxAudioSystem::holderPids() {
    if (connected_) {
        return AudioSnapshotQueries(snapshot_, ownPid_).holderPids();
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return AlsaCaptureQueries(pcms, ownPid_).holderPids();
}

// The server names every recording stream. Without one, a device run by a sound server Ostrel
// cannot reach, or by a process it cannot see, hides who records.
bool LinuxAudioSystem::canNameHolders() {
    if (connected_) {
        return true;
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return AlsaCaptureQueries(pcms, ownPid_).namesEveryRecorder();
}

void LinuxAudioSystem::addObserver(AudioSystemObserver* observer) {
    observers_.add(observer);
}

void LinuxAudioSystem::removeObserver(AudioSystemObserver* observer) {
    observers_.remove(observer);
}

} // namespace ostrel
