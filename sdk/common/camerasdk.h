#pragma once

#include "camera/edsdk.h"

// A camera implementation as the SDK's functions reach it. The functions
// themselves are written once, in sdkentries.cpp, which every camera library
// compiles in; the library names its object by defining cameraSdk().
// CameraSdkBase does the work all implementations share.
class CameraSdk
{
public:
    virtual ~CameraSdk() = default;

    virtual EdsError initialize() = 0;
    virtual EdsError terminate() = 0;
    virtual EdsError release(EdsBaseRef ref) = 0;

    virtual EdsError cameraList(EdsCameraListRef *outList) = 0;
    virtual EdsError childCount(EdsBaseRef ref, EdsUInt32 *outCount) = 0;
    virtual EdsError childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef) = 0;
    virtual EdsError deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo) = 0;

    virtual EdsError openSession(EdsCameraRef ref) = 0;
    virtual EdsError closeSession(EdsCameraRef ref) = 0;
    virtual EdsError setCapacity(EdsCameraRef ref, EdsCapacity capacity) = 0;

    virtual EdsError propertySize(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                  EdsDataType *outType, EdsUInt32 *outSize)
        = 0;
    virtual EdsError propertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                  EdsVoid *outData)
        = 0;
    virtual EdsError setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                     EdsUInt32 size, const EdsVoid *inData)
        = 0;

    virtual EdsError setPropertyEventHandler(EdsCameraRef ref, EdsPropertyEvent event,
                                             EdsPropertyEventHandler handler, EdsVoid *context)
        = 0;
    virtual EdsError setObjectEventHandler(EdsCameraRef ref) = 0;
    virtual EdsError setCameraStateEventHandler(EdsCameraRef ref) = 0;

    virtual EdsError cameraAddress(EdsCameraRef ref, EdsUInt32 size, char *outAddress) = 0;
    virtual EdsError useCameraAddress(const char *address) = 0;
};

// Defined by each camera library.
CameraSdk &cameraSdk();
