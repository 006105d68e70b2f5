// The camera SDK's functions, once for every camera library that compiles
// this file in: each forwards to the library's implementation object.
#include "sdk/common/camerasdk.h"

extern "C" {

EdsError EDSAPI EdsInitializeSDK()
{
    return cameraSdk().initialize();
}

EdsError EDSAPI EdsTerminateSDK()
{
    return cameraSdk().terminate();
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    return cameraSdk().release(inRef);
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    return cameraSdk().childCount(inRef, outCount);
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    return cameraSdk().childAtIndex(inRef, inIndex, outRef);
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    return cameraSdk().propertySize(inRef, inPropertyID, inParam, outDataType, outSize);
}

EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    return cameraSdk().propertyData(inRef, inPropertyID, inParam, inPropertySize, outPropertyData);
}

EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    return cameraSdk().setPropertyData(inRef, inPropertyID, inParam, inPropertySize,
                                       inPropertyData);
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    return cameraSdk().cameraList(outCameraListRef);
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    return cameraSdk().deviceInfo(inCameraRef, outDeviceInfo);
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    return cameraSdk().openSession(inCameraRef);
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    return cameraSdk().closeSession(inCameraRef);
}

EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    return cameraSdk().setCapacity(inCameraRef, inCapacity);
}

EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext)
{
    return cameraSdk().setPropertyEventHandler(inCameraRef, inEvent, inPropertyEventHandler,
                                               inContext);
}

// No implementation takes pictures or changes state by itself, so these
// handlers are accepted for a valid camera and never called.
EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent,
                                         EdsObjectEventHandler, EdsVoid *)
{
    return cameraSdk().setObjectEventHandler(inCameraRef);
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent,
                                              EdsStateEventHandler, EdsVoid *)
{
    return cameraSdk().setCameraStateEventHandler(inCameraRef);
}

EdsError EDSAPI SarvolinGetCameraAddress(EdsCameraRef inCameraRef, EdsUInt32 inSize,
                                         char *outAddress)
{
    return cameraSdk().cameraAddress(inCameraRef, inSize, outAddress);
}

EdsError EDSAPI SarvolinUseCameraAddress(const char *inAddress)
{
    return cameraSdk().useCameraAddress(inAddress);
}

} // extern "C"
