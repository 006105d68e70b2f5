#pragma once

#include "camera/edsdk.h"
#include "sdk/simulated/simulatedcamera.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

// Everything the library keeps between calls: whether it is initialised, the
// attached cameras, and every reference it has handed out.
//
// References are numbers from a table, never addresses, and a number is never
// handed out twice: a released reference, or one from before a terminate,
// finds nothing in the table and is refused without touching freed memory.
class SimulatedSdk
{
public:
    static SimulatedSdk &instance();

    EdsError initialize();
    EdsError terminate();
    EdsError release(EdsBaseRef ref);

    EdsError cameraList(EdsCameraListRef *outList);
    EdsError childCount(EdsBaseRef ref, EdsUInt32 *outCount);
    EdsError childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef);
    EdsError deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo);

    EdsError openSession(EdsCameraRef ref);
    EdsError closeSession(EdsCameraRef ref);
    EdsError setCapacity(EdsCameraRef ref, EdsCapacity capacity);

    EdsError propertySize(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsDataType *outType,
                          EdsUInt32 *outSize);
    EdsError propertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                          EdsVoid *outData);
    EdsError setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                             const EdsVoid *inData);

    EdsError setPropertyEventHandler(EdsCameraRef ref, EdsPropertyEvent event,
                                     EdsPropertyEventHandler handler, EdsVoid *context);
    // This camera takes no pictures and never changes state by itself, so
    // object and state handlers are accepted but never called.
    EdsError acceptSilentHandler(EdsCameraRef ref);

private:
    using Handle = std::uintptr_t;
    enum class Kind { CameraList, Camera };

    struct Object {
        Kind kind = Kind::Camera;
        EdsUInt32 refCount = 1;
        std::vector<Handle> cameras; // a list holds one reference on each
        std::size_t device = 0;
        bool sessionOpen = false;
        EdsPropertyEvent propertyEvent = 0;
        EdsPropertyEventHandler propertyHandler = nullptr;
        EdsVoid *propertyContext = nullptr;
    };

    SimulatedSdk() = default;

    Object *find(EdsBaseRef ref, Kind kind);
    EdsError findOpenCamera(EdsBaseRef ref, Object *&camera);
    Handle add(Object object);
    void unref(Handle handle);

    std::mutex mutex;
    bool initialised = false;
    std::vector<SimulatedCamera> attached;
    std::unordered_map<Handle, Object> objects;
    Handle lastHandle = 0;
};
