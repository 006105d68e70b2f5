#pragma once

#include "sdk/common/camerasdkbase.h"
#include "sdk/gphoto2/gphoto2backend.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A camera reference's state; its session ends with the last reference.
struct Gphoto2CameraState {
    Gphoto2Backend::Detected device;
    Gphoto2Backend::Session session = nullptr;
    EdsUInt32 saveTo = 0;
    // The whole configuration, read once a session for the body's own
    // properties, and how that read went.
    std::optional<std::map<std::string, Gphoto2Backend::Setting>> settings = std::nullopt;
    int settingsResult = 0;
    bool clockWritten = false; // what settings holds of the clock is old
};

// The camera SDK on libgphoto2. libgphoto2 stays loaded from the first
// initialisation to the end of the process; a terminate closes every camera
// and forgets the ports. A call that fails leaves its outputs as they were.
class Gphoto2Sdk : public CameraSdkBase<Gphoto2CameraState>
{
public:
    static Gphoto2Sdk &instance();
    ~Gphoto2Sdk() override;

    // The list that EdsGetCameraList makes of what detection reports, made
    // of the given cameras instead: reaches a camera that is not detected,
    // such as a folder opened as a camera.
    EdsError cameraListOf(const std::vector<Gphoto2Backend::Detected> &cameras,
                          EdsCameraListRef *outList);
    // Another libgphoto2 side, e.g. a test's; null goes back to the real
    // one. Taken only while not initialised.
    bool replaceBackend(std::unique_ptr<Gphoto2Backend> replacement);

private:
    using CameraState = Gphoto2CameraState;
    using Setting = Gphoto2Backend::Setting;

    // The setting a size query read, for the data read right after it.
    struct LastRead {
        const CameraState *camera = nullptr;
        EdsPropertyID id = 0;
        std::uint64_t call = 0;
        Setting setting;
    };

    Gphoto2Sdk();

    EdsError start() override;
    void stop() override;
    EdsError listCameras(EdsCameraListRef &outList) override;
    EdsError describe(CameraState &camera, EdsDeviceInfo &outInfo) override;
    bool isOpen(const CameraState &camera) const override { return camera.session != nullptr; }
    EdsError open(CameraState &camera) override;
    EdsError close(CameraState &camera) override;
    void endSession(CameraState &camera) override;
    // This program never captures and wants no events, so host capacity and
    // the property handler are accepted for a valid camera and do nothing.
    EdsError acceptCapacity(CameraState &, EdsCapacity) override { return EDS_ERR_OK; }
    EdsError sizeOf(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsDataType &outType,
                    EdsUInt32 &outSize) override;
    EdsError read(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                  EdsVoid *outData) override;
    EdsError write(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                   const EdsVoid *inData, std::unique_lock<std::mutex> &lock) override;
    EdsError watchProperties(CameraState &, EdsPropertyEvent, EdsPropertyEventHandler,
                             EdsVoid *) override
    {
        return EDS_ERR_OK;
    }
    EdsError addressOf(CameraState &camera, std::string &address) override;
    EdsError reachOnly(const std::string &address) override;

    EdsCameraListRef makeList(const std::vector<Gphoto2Backend::Detected> &cameras);
    EdsError lookUp(CameraState &camera, EdsPropertyID id, Setting &setting);
    EdsError readSetting(CameraState &camera, EdsPropertyID id, Setting &setting);
    EdsError readBodyValue(CameraState &camera, EdsPropertyID id, std::string &data);
    EdsError writeClock(CameraState &camera, EdsUInt32 size, const EdsVoid *inData);

    std::unique_ptr<Gphoto2Backend> backend; // kept from the first initialisation on
    std::optional<LastRead> lastRead;
    std::optional<Gphoto2Backend::Detected> onlyCamera; // from an address, until terminated
};
