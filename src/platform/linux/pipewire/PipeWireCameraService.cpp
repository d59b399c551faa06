#include "platform/linux/pipewire/PipeWireCameraService.h"

#include "platform/linux/pipewire/PipeWireGraphQueries.h"

#include <algorithm>
#include <utility>

namespace ostrel {
namespace {

template <class T> void appendOnce(std::vector<T>& items, const T& item) {
    if (std::find(items.begin(), items.end(), item) == items.end()) {
        items.push_back(item);
    }
}

bool hasCameraMissingFrom(const std::vector<CaptureDevice>& cameras,
                          const std::vector<CaptureDevice>& others) {
    return std::any_of(cameras.begin(), cameras.end(), [&](const CaptureDevice& camera) {
        return std::none_of(others.begin(), others.end(), [&](const CaptureDevice& other) {
            return other.uniqueID == camera.uniqueID;
        });
    });
}

} // namespace

PipeWireCameraService::PipeWireCameraService(CameraService& devices, PipeWireGraphWatch& graph,
                                             qint32 ownPid, StreamOwnerRule rule)
    : devices_(devices), graph_(graph), ownPid_(ownPid), rule_(std::move(rule)),
      consumers_(readConsumers()) {
    graph_.addObserver(this);
}

PipeWireCameraService::~PipeWireCameraService() {
    graph_.removeObserver(this);
}

PipeWireCameraService::Consumers PipeWireCameraService::readConsumers() const {
    const PipeWireGraphQueries queries(graph_.graph());
    Consumers consumers;
    for (const StreamClaim& claim : queries.cameraConsumers()) {
        const StreamOwner owner = rule_.ownerOf(claim);
        if (owner.kind == StreamOwner::Kind::Process && owner.pid != ownPid_) {
            appendOnce(consumers.pids, owner.pid);
        } else if (owner.kind == StreamOwner::Kind::Unverified) {
            appendOnce(consumers.names, owner.name);
        }
    }
    for (const PipeWireNodeInfo* source : queries.cameraSources()) {
        if (!source->devicePath.isEmpty()) {
            continue;
        }
        CaptureDevice camera;
        camera.localizedName = source->description.isEmpty() ? source->name : source->description;
        camera.uniqueID = QStringLiteral("pipewire:") + source->name;
        camera.isInUseByAnotherApplication = queries.isConsumed(source->id);
        camera.isConnected = true;
        consumers.virtualCameras.push_back(std::move(camera));
    }
    return consumers;
}

std::vector<CaptureDevice> PipeWireCameraService::cameras() {
    std::vector<CaptureDevice> cameras = devices_.cameras();
    cameras.insert(cameras.end(), consumers_.virtualCameras.begin(),
                   consumers_.virtualCameras.end());
    return cameras;
}

// A relay is never named while the graph names a consumer.
std::vector<qint32> PipeWireCameraService::holderPids() {
    const bool graphNamesConsumers = !consumers_.pids.empty() || !consumers_.names.empty();
    std::vector<qint32> holders;
    for (qint32 pid : devices_.holderPids()) {
        if (!graphNamesConsumers || !rule_.isRelay(pid)) {
            appendOnce(holders, pid);
        }
    }
    for (qint32 pid : consumers_.pids) {
        appendOnce(holders, pid);
    }
    return holders;
}

std::vector<QString> PipeWireCameraService::unnamedHolders() {
    std::vector<QString> names = devices_.unnamedHolders();
    for (const QString& name : consumers_.names) {
        appendOnce(names, name);
    }
    return names;
}

void PipeWireCameraService::addObserver(CameraObserver* observer) {
    devices_.addObserver(observer);
    observers_.add(observer);
}

void PipeWireCameraService::removeObserver(CameraObserver* observer) {
    devices_.removeObserver(observer);
    observers_.remove(observer);
}

void PipeWireCameraService::pipeWireGraphChanged() {
    Consumers now = readConsumers();
    if (now == consumers_) {
        return;
    }
    const Consumers before = std::exchange(consumers_, std::move(now));
    if (hasCameraMissingFrom(before.virtualCameras, consumers_.virtualCameras)) {
        observers_.notify([](CameraObserver& o) { o.cameraDisconnected(); });
    }
    if (hasCameraMissingFrom(consumers_.virtualCameras, before.virtualCameras)) {
        observers_.notify([](CameraObserver& o) { o.cameraConnected(); });
    }
    observers_.notify([](CameraObserver& o) { o.cameraUsageMayHaveChanged(); });
}

} // namespace ostrel
