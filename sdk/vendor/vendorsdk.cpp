// The SDK operations, forwarded to the camera maker's library.
//
// EdsInitializeSDK loads the library on first use and forwards to the
// vendor's initialisation; a later call while it is loaded forwards again
// without reloading. Every successful initialisation is balanced by one
// successful EdsTerminateSDK, and the library is unloaded when the last one
// returns: a vendor that counts its initialisations and one that does not are
// both left fully terminated before their code goes away. A terminate that
// the vendor refuses keeps the library loaded, so a repeat reaches the vendor
// again. Without a loaded library every operation answers
// EDS_ERR_NOT_INITIALIZED and touches none of its outputs. Property ids of
// our own are answered here, with EDS_ERR_NOT_SUPPORTED, and never forwarded.
//
// Like the rest of the camera code, these are called from one thread only.

#include "camera/edsdk.h"
#include "vendorcall.h"
#include "vendorlibrary.h"

#include <string>

namespace {

// What EdsInitializeSDK answers when the library or one of its entry points
// is missing (the warning says which).
constexpr EdsError kLibraryUnavailable = EDS_ERR_NOT_SUPPORTED;

VendorLibrary library;
int initializations = 0;

// A library whose functions do not clean their own stack, as the maker's do on
// 32-bit Windows, is refused at its first call with arguments (one without
// any cannot tell): one warning, the library terminated as often as it was
// initialised and unloaded, and the call answered as for a missing library.
// Its later calls then answer EDS_ERR_NOT_INITIALIZED, like any other
// without a library.
void refuseConvention(std::int32_t leftBehind)
{
    VendorLibrary::warn(
        "the camera library EDSDK.dll was refused: a call left " + std::to_string(leftBehind)
        + " bytes on the stack, so its functions do not use the __stdcall convention");
    for (; initializations > 0; --initializations)
        library.functions().terminateSdk();
    library.close();
}

template <typename Function, typename... Args> EdsError forward(Function function, Args... args)
{
    if (!function)
        return EDS_ERR_NOT_INITIALIZED;
    std::int32_t leftBehind = 0;
    const EdsError error = callVendor(function, leftBehind, args...);
    if (leftBehind == 0)
        return error;
    refuseConvention(leftBehind);
    return kLibraryUnavailable;
}

// Our own property ids mean nothing to the maker's library, which might even
// keep one of them for itself.
bool isOurOwn(EdsPropertyID id)
{
    return id >= 0x7F000000u && id <= 0x7FFFFFFFu;
}

// For what the maker's library cannot do, and so is never asked.
EdsError answeredHere()
{
    return library.isOpen() ? EDS_ERR_NOT_SUPPORTED : EDS_ERR_NOT_INITIALIZED;
}

} // namespace

extern "C" {

EdsError EDSAPI EdsInitializeSDK()
{
    const bool fresh = !library.isOpen();
    if (fresh && !library.open())
        return kLibraryUnavailable;
    const EdsError error = library.functions().initializeSdk();
    if (error == EDS_ERR_OK)
        ++initializations;
    else if (fresh)
        library.close();
    return error;
}

EdsError EDSAPI EdsTerminateSDK()
{
    const EdsError error = forward(library.functions().terminateSdk);
    if (error == EDS_ERR_OK && --initializations == 0)
        library.close();
    return error;
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    return forward(library.functions().release, inRef);
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    return forward(library.functions().getChildCount, inRef, outCount);
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    return forward(library.functions().getChildAtIndex, inRef, inIndex, outRef);
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    if (isOurOwn(inPropertyID))
        return answeredHere();
    return forward(library.functions().getPropertySize, inRef, inPropertyID, inParam, outDataType,
                   outSize);
}

EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    if (isOurOwn(inPropertyID))
        return answeredHere();
    return forward(library.functions().getPropertyData, inRef, inPropertyID, inParam,
                   inPropertySize, outPropertyData);
}

EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    if (isOurOwn(inPropertyID))
        return answeredHere();
    return forward(library.functions().setPropertyData, inRef, inPropertyID, inParam,
                   inPropertySize, inPropertyData);
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    return forward(library.functions().getCameraList, outCameraListRef);
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    return forward(library.functions().getDeviceInfo, inCameraRef, outDeviceInfo);
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    return forward(library.functions().openSession, inCameraRef);
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    return forward(library.functions().closeSession, inCameraRef);
}

EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    return forward(library.functions().setCapacity, inCameraRef, inCapacity);
}

EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext)
{
    return forward(library.functions().setPropertyEventHandler, inCameraRef, inEvent,
                   inPropertyEventHandler, inContext);
}

EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                         EdsObjectEventHandler inObjectEventHandler,
                                         EdsVoid *inContext)
{
    return forward(library.functions().setObjectEventHandler, inCameraRef, inEvent,
                   inObjectEventHandler, inContext);
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent inEvent,
                                              EdsStateEventHandler inStateEventHandler,
                                              EdsVoid *inContext)
{
    return forward(library.functions().setCameraStateEventHandler, inCameraRef, inEvent,
                   inStateEventHandler, inContext);
}

// The maker's library finds its cameras by itself, every time.
EdsError EDSAPI SarvolinGetCameraAddress(EdsCameraRef, EdsUInt32, char *)
{
    return answeredHere();
}

EdsError EDSAPI SarvolinUseCameraAddress(const char *)
{
    return answeredHere();
}

} // extern "C"
