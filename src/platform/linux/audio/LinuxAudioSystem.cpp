#include "platform/linux/audio/LinuxAudioSystem.h"

#include "base/Log.h"
#include "platform/linux/audio/AlsaCaptureQueries.h"
#include "platform/linux/audio/AudioSnapshotQueries.h"
#include "platform/linux/pipewire/PipeWireGraphQueries.h"

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
                                   QString server, PipeWireGraphWatch* pipeWire)
    : loop_(loop), ownPid_(ownPid), devSndRoot_(std::move(roots.devSnd)),
      alsa_(std::move(roots.asound), roots.proc), ownerRule_(roots.proc), pipeWire_(pipeWire),
      inbox_(std::make_shared<ThreadHandOver<Event>>()) {
    if (pipeWire_) {
        pipeWire_->addObserver(this);
        snapshot_ = currentSnapshot();
    }
    client_ = std::make_unique<PulseAudioClient>(
        std::move(server), handOverTo(inbox_, loop, this, &LinuxAudioSystem::takeEvents));
    client_->connect();
    if (inbox_->waitForItem(kFirstAnswerBound)) {
        takeEvents();
    }
}

LinuxAudioSystem::~LinuxAudioSystem() {
    client_.reset();
    if (pipeWire_) {
        pipeWire_->removeObserver(this);
    }
}

bool LinuxAudioSystem::graphShouldAnswer() const {
    if (!pipeWire_ || !pipeWire_->isConnected()) {
        return false;
    }
    return connected_ ? serverName_.contains(u"PipeWire")
                      : PipeWireGraphQueries(pipeWire_->graph()).hasAudioSource();
}

AudioSnapshot LinuxAudioSystem::currentSnapshot() {
    fromGraph_ = graphShouldAnswer();
    AudioSnapshot snapshot =
        fromGraph_ ? PipeWireGraphQueries(pipeWire_->graph()).audioSnapshot() : serverSnapshot_;
    AudioSnapshotQueries::decideOwners(snapshot, ownerRule_);
    return snapshot;
}

// The graph also changes with every camera stream; while the pulse server answers, those
// changes leave the microphones as they were.
void LinuxAudioSystem::pipeWireGraphChanged() {
    if (!fromGraph_ && !graphShouldAnswer()) {
        return;
    }
    adopt(currentSnapshot());
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
        serverName_ = event.detail;
        serverSnapshot_ = std::move(event.snapshot);
        logLine(QStringLiteral("🔊 [Audio] Connected to the sound server ") + event.detail);
        if (std::exchange(connectionLost_, false)) {
            snapshot_ = currentSnapshot();
            observers_.notify([](AudioSystemObserver& o) { o.mediaServicesReset(); });
        } else {
            adopt(currentSnapshot());
        }
        break;
    }
    case Event::Kind::Updated:
        if (connected_) {
            serverSnapshot_ = std::move(event.snapshot);
            adopt(currentSnapshot());
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
        serverSnapshot_ = {};
        adopt(currentSnapshot());
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

// With a server answering, a program may still record from the hardware past it: those
// devices and programs are added to what the server says.
std::vector<CaptureDevice> LinuxAudioSystem::microphones() {
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    const AlsaCaptureQueries alsa(pcms, ownPid_);
    if (!answers()) {
        return alsa.microphones();
    }
    std::vector<CaptureDevice> devices = AudioSnapshotQueries(snapshot_, ownPid_).microphones();
    for (CaptureDevice& device : alsa.rawRecordedMicrophones()) {
        devices.push_back(std::move(device));
    }
    return devices;
}

AuthorizationStatus LinuxAudioSystem::authorizationStatus() {
    return answers() || canOpenCaptureNodes() ? AuthorizationStatus::Authorized
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
    if (!answers()) {
        return {kNoSoundServer, 0};
    }
    return {0, AudioSnapshotQueries(snapshot_, ownPid_).defaultInputDevice()};
}

AudioAnswer<bool> LinuxAudioSystem::isRunningSomewhere(AudioDeviceId device) {
    if (!answers()) {
        return {kNoSoundServer, false};
    }
    const std::optional<bool> running =
        AudioSnapshotQueries(snapshot_, ownPid_).isRunningSomewhere(device);
    return running ? AudioAnswer<bool>{0, *running} : AudioAnswer<bool>{kNoSuchDevice, false};
}

AudioAnswer<qint32> LinuxAudioSystem::exclusiveOwner(AudioDeviceId device) {
    if (!answers()) {
        return {kNoSoundServer, -1};
    }
    if (!AudioSnapshotQueries(snapshot_, ownPid_).hasDevice(device)) {
        return {kNoSuchDevice, -1};
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return {0, AlsaCaptureQueries(pcms, ownPid_).exclusiveOwner()};
}

AudioAnswer<std::vector<quint32>> LinuxAudioSystem::inputStreams(AudioDeviceId device) {
    if (!answers()) {
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
    if (!answers()) {
        return {kNoSoundServer, 0};
    }
    return {0, AudioSnapshotQueries(snapshot_, ownPid_).clientObjectForPid(pid)};
}

std::vector<qint32> LinuxAudioSystem::holderPids() {
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    const AlsaCaptureQueries alsa(pcms, ownPid_);
    if (!answers()) {
        return alsa.holderPids();
    }
    std::vector<qint32> pids = AudioSnapshotQueries(snapshot_, ownPid_).holderPids();
    for (qint32 pid : alsa.rawRecorderPids()) {
        if (std::find(pids.begin(), pids.end(), pid) == pids.end()) {
            pids.push_back(pid);
        }
    }
    return pids;
}

// The server names every recording stream, but not always a process for it. Without one, a
// device run by a sound server Ostrel cannot reach, or by a process it cannot see, hides who
// records.
bool LinuxAudioSystem::canNameHolders() {
    if (answers()) {
        return AudioSnapshotQueries(snapshot_, ownPid_).unnamedHolders().empty();
    }
    const std::vector<AlsaCapturePcm> pcms = alsa_.capturePcms();
    return AlsaCaptureQueries(pcms, ownPid_).namesEveryRecorder();
}

std::vector<QString> LinuxAudioSystem::unnamedHolders() {
    return answers() ? AudioSnapshotQueries(snapshot_, ownPid_).unnamedHolders()
                     : std::vector<QString>{};
}

void LinuxAudioSystem::addObserver(AudioSystemObserver* observer) {
    observers_.add(observer);
}

void LinuxAudioSystem::removeObserver(AudioSystemObserver* observer) {
    observers_.remove(observer);
}

} // namespace ostrel
