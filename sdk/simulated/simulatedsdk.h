#pragma once

#include "camera/edsdk.h"
#include "sdk/common/referencetable.h"
#include "sdk/simulated/simulatedcamera.h"

#include <cstddef>
#include <mutex>
#include <vector>

// Everything the library keeps between calls: whether it is initialised, the
// attached cameras, and every reference it has handed out.
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
    // A camera reference's state; its session ends with the last reference.
    struct CameraState {
        std::size_t device = 0; // index into attached
        bool sessionOpen = false;
        EdsPropertyEvent propertyEvent = 0;
        EdsPropertyEventHandler propertyHandler = nullptr;
        EdsVoid *propertyContext = nullptr;
    };

    SimulatedSdk() = default;

    EdsError findCamera(EdsBaseRef ref, CameraState *&camera);
    EdsError findOpenCamera(EdsBaseRef ref, CameraState *&camera);

    std::mutex mutex;
    bool initialised = false;
    std::vector<SimulatedCamera> attached;
    ReferenceTable<CameraState> references;
};
