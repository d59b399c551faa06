#pragma once

#include "base/ObserverList.h"
#include "platform/CameraService.h"
#include "platform/linux/audio/StreamOwner.h"
#include "platform/linux/pipewire/PipeWireGraphWatch.h"

#include <QString>
#include <vector>

namespace ostrel {

// The cameras as a PipeWire desktop uses them. Programs that use a camera through PipeWire
// (the camera portal, sandboxed applications, browsers) do not open its node: the daemon
// does. So the node's holders come from the device service, but a holder that is a relay
// (the PipeWire daemon, a sound server) gives way to the programs whose streams the graph
// links to a camera source. A camera source with no device node (a virtual camera) is a
// camera of its own, in use while a program's stream takes from it.
class PipeWireCameraService final : public CameraService, public PipeWireGraphObserver {
public:
    PipeWireCameraService(CameraService& devices, PipeWireGraphWatch& graph, qint32 ownPid,
                          StreamOwnerRule rule = StreamOwnerRule());
    ~PipeWireCameraService() override;
    PipeWireCameraService(const PipeWireCameraService&) = delete;
    PipeWireCameraService& operator=(const PipeWireCameraService&) = delete;

    std::vector<CaptureDevice> cameras() override;
    AuthorizationStatus authorizationStatus() override { return devices_.authorizationStatus(); }
    std::vector<qint32> holderPids() override;
    bool canNameHolders() override { return devices_.canNameHolders(); }
    std::vector<QString> unnamedHolders() override;
    void addObserver(CameraObserver* observer) override;
    void removeObserver(CameraObserver* observer) override;

    void pipeWireGraphChanged() override;

private:
    // What the graph says, decided once per graph change.
    struct Consumers {
        std::vector<qint32> pids;
        std::vector<QString> names;                // unverified
        std::vector<CaptureDevice> virtualCameras; // camera sources without a device node

        bool operator==(const Consumers&) const = default;
    };
    Consumers readConsumers() const;

    CameraService& devices_;
    PipeWireGraphWatch& graph_;
    const qint32 ownPid_;
    const StreamOwnerRule rule_;
    ObserverList<CameraObserver> observers_;
    Consumers consumers_;
};

} // namespace ostrel
