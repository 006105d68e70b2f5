#pragma once

#include "camera/edsdk.h"
#include "sdk/gphoto2/gphoto2backend.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// Everything the libgphoto2 implementation keeps between calls: libgphoto2
// itself while initialised, and every reference handed out.
//
// References are numbers from a table, never addresses, and a number is never
// handed out twice: a released reference, or one from before a terminate,
// finds nothing in the table and is refused without touching freed memory.
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
    using Handle = std::uintptr_t;
    enum class Kind { CameraList, Camera };

    struct Object {
        Kind kind = Kind::Camera;
        EdsUInt32 refCount = 1;
        std::vector<Handle> cameras; // a list holds one reference on each
        Gphoto2Backend::Detected device;
        Camera *session = nullptr;
        EdsUInt32 saveTo = 0;
    };

    Gphoto2Sdk() = default;

    Object *find(EdsBaseRef ref, Kind kind);
    EdsError findCamera(EdsBaseRef ref, Object *&camera);
    EdsError findOpenCamera(EdsBaseRef ref, Object *&camera);
    EdsError makeList(const std::vector<Gphoto2Backend::Detected> &cameras,
                      EdsCameraListRef *outList);
    EdsError readSetting(Camera *session, const std::vector<const char *> &names,
                         Gphoto2Backend::Setting &setting, const char **foundName);
    EdsError readValue(Object &camera, EdsPropertyID id, EdsUInt32 &value);
    Handle add(Object object);
    void unref(Handle handle);
    void closeAll();

    std::mutex mutex;
    std::unique_ptr<Gphoto2Backend> backend; // set while initialised
    std::unordered_map<Handle, Object> objects;
    Handle lastHandle = 0;
};
