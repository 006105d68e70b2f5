#pragma once

#include "camera/edsdk.h"
#include "sdk/common/referencetable.h"
#include "sdk/gphoto2/gphoto2backend.h"

#include <memory>
#include <mutex>
#include <vector>

// Everything the libgphoto2 implementation keeps between calls: libgphoto2
// itself while initialised, and every reference handed out.
// A call that fails leaves its outputs as they were.
class Gphoto2Sdk
{
public:
    static Gphoto2Sdk &instance();
    ~Gphoto2Sdk();

    EdsError initialize();
    EdsError terminate();
    EdsError release(EdsBaseRef ref);

    EdsError cameraList(EdsCameraListRef *outList);
    // The list that cameraList() makes of what autodetection reports, made
    // of the given cameras instead: reaches a camera that is not detected,
    // such as a folder opened as a camera.
    EdsError cameraListOf(const std::vector<Gphoto2Backend::Detected> &cameras,
                          EdsCameraListRef *outList);
    EdsError childCount(EdsBaseRef ref, EdsUInt32 *outCount);
    EdsError childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef);
    EdsError deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo);

    EdsError openSession(EdsCameraRef ref);
    EdsError closeSession(EdsCameraRef ref);

    EdsError propertySize(EdsBaseRef ref, EdsPropertyID id, EdsDataType *outType,
                          EdsUInt32 *outSize);
    EdsError propertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size, EdsVoid *outData);
    EdsError setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size,
                             const EdsVoid *inData);

    // This program never captures and wants no events, so host capacity and
    // the event handlers are accepted for a valid camera and do nothing.
    EdsError acceptCamera(EdsCameraRef ref);

private:
    // A camera reference's state; its session ends with the last reference.
    struct CameraState {
        Gphoto2Backend::Detected device;
        Camera *session = nullptr;
        EdsUInt32 saveTo = 0;
    };

    Gphoto2Sdk();

    EdsError findCamera(EdsBaseRef ref, CameraState *&camera);
    EdsError findOpenCamera(EdsBaseRef ref, CameraState *&camera);
    EdsError makeList(const std::vector<Gphoto2Backend::Detected> &cameras,
                      EdsCameraListRef *outList);
    EdsError readSetting(Camera *session, const std::vector<const char *> &names,
                         Gphoto2Backend::Setting &setting, const char **foundName);
    EdsError readValue(CameraState &camera, EdsPropertyID id, EdsUInt32 &value);
    void closeAll();

    std::mutex mutex;
    std::unique_ptr<Gphoto2Backend> backend; // set while initialised
    ReferenceTable<CameraState> references;
};
