#pragma once

#include "sdk/common/camerasdkbase.h"
#include "sdk/simulated/simulatedcamera.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Everything the library keeps between calls: the attached cameras, and
// what each camera reference knows of its session and handler.
struct SimulatedCameraState {
    std::size_t device = 0; // the socket the body sits in
    bool sessionOpen = false;
    EdsPropertyEvent propertyEvent = 0;
    EdsPropertyEventHandler propertyHandler = nullptr;
    EdsVoid *propertyContext = nullptr;
};

class SimulatedSdk : public CameraSdkBase<SimulatedCameraState>
{
public:
    static SimulatedSdk &instance();

private:
    using CameraState = SimulatedCameraState;

    SimulatedSdk();

    void plugIn();
    SimulatedCamera *body(const CameraState &camera);
    SimulatedCamera *reach(const CameraState &camera);

    EdsError start() override;
    void stop() override;
    EdsError listCameras(EdsCameraListRef &outList) override;
    EdsError describe(CameraState &camera, EdsDeviceInfo &outInfo) override;
    bool isOpen(const CameraState &camera) const override { return camera.sessionOpen; }
    EdsError open(CameraState &camera) override;
    EdsError close(CameraState &camera) override;
    void endSession(CameraState &) override { }
    EdsError acceptCapacity(CameraState &camera, EdsCapacity capacity) override;
    EdsError sizeOf(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsDataType &outType,
                    EdsUInt32 &outSize) override;
    EdsError read(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                  EdsVoid *outData) override;
    EdsError write(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                   const EdsVoid *inData, std::unique_lock<std::mutex> &lock) override;
    EdsError watchProperties(CameraState &camera, EdsPropertyEvent event,
                             EdsPropertyEventHandler handler, EdsVoid *context) override;
    EdsError addressOf(CameraState &camera, std::string &address) override;
    EdsError reachOnly(const std::string &address) override;

    std::vector<std::optional<SimulatedCamera>> attached; // one per socket
    std::optional<std::size_t> onlySocket; // from an address, until terminated
    std::chrono::milliseconds latency { 0 };
};
