#include "fakevendor.h"

#include <cstdio>

// EdsSetCapacity lives in its own file, so a library built without it lacks
// exactly one operation.

namespace {

FakeVendorState state = { 0, 0, 0, EDS_ERR_OK, EDS_ERR_OK };

EdsBaseRef fakeRef(std::uint32_t value)
{
    return reinterpret_cast<EdsBaseRef>(std::uintptr_t(value));
}

} // namespace

extern "C" {

FakeVendorState *fakeVendorState()
{
    return &state;
}

EdsError EDSAPI EdsInitializeSDK()
{
    ++state.initializeCalls;
    return state.initializeResult;
}

EdsError EDSAPI EdsTerminateSDK()
{
    ++state.terminateCalls;
    return state.terminateResult;
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    ++state.otherCalls;
    return fakeDigest({ 4, fakeBits(inRef) });
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    ++state.otherCalls;
    *outCount = fakeDigest({ 5, 1, fakeBits(inRef) });
    return fakeDigest({ 5, fakeBits(inRef) });
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    ++state.otherCalls;
    *outRef = fakeRef(fakeDigest({ 6, 1, fakeBits(inRef), std::uint64_t(std::int64_t(inIndex)) }));
    return fakeDigest({ 6, fakeBits(inRef), std::uint64_t(std::int64_t(inIndex)) });
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    ++state.otherCalls;
    const std::uint64_t param = std::uint64_t(std::int64_t(inParam));
    *outDataType = fakeDigest({ 8, 1, inPropertyID, param });
    *outSize = fakeDigest({ 8, 2, inPropertyID, param });
    return fakeDigest({ 8, fakeBits(inRef), inPropertyID, param });
}

EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    ++state.otherCalls;
    auto *bytes = static_cast<unsigned char *>(outPropertyData);
    for (EdsUInt32 i = 0; i < inPropertySize; ++i)
        bytes[i] = static_cast<unsigned char>(inPropertyID + 3 * i);
    return fakeDigest({ 9, fakeBits(inRef), inPropertyID, std::uint64_t(std::int64_t(inParam)),
                        inPropertySize, fakeBits(outPropertyData) });
}

EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    ++state.otherCalls;
    return fakeDigest({ 10, fakeBits(inRef), inPropertyID, std::uint64_t(std::int64_t(inParam)),
                        inPropertySize, fakeBytesDigest(inPropertyData, inPropertySize) });
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    ++state.otherCalls;
    *outCameraListRef = fakeRef(fakeDigest({ 12, 1 }));
    return fakeDigest({ 12 });
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    ++state.otherCalls;
    const EdsError digest = fakeDigest({ 13, fakeBits(inCameraRef) });
    std::snprintf(outDeviceInfo->szPortName, sizeof outDeviceInfo->szPortName, "port %08x",
                  static_cast<unsigned>(digest));
    std::snprintf(outDeviceInfo->szDeviceDescription, sizeof outDeviceInfo->szDeviceDescription,
                  "camera %08x", static_cast<unsigned>(digest));
    outDeviceInfo->deviceSubType = digest + 1;
    outDeviceInfo->reserved = digest + 2;
    return digest;
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    ++state.otherCalls;
    return fakeDigest({ 14, fakeBits(inCameraRef) });
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    ++state.otherCalls;
    return fakeDigest({ 15, fakeBits(inCameraRef) });
}

// A handler that is given is called once, and its answer is part of the
// digest: the pointer must have arrived intact and callable.
EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext)
{
    ++state.otherCalls;
    const EdsError answer = inPropertyEventHandler
        ? inPropertyEventHandler(inEvent, kFakeHandlerPropertyId, kFakeHandlerParameter, inContext)
        : 0;
    return fakeDigest({ 50, fakeBits(inCameraRef), inEvent,
                        reinterpret_cast<std::uintptr_t>(inPropertyEventHandler),
                        fakeBits(inContext), answer });
}

EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                         EdsObjectEventHandler inObjectEventHandler,
                                         EdsVoid *inContext)
{
    ++state.otherCalls;
    const EdsError answer
        = inObjectEventHandler ? inObjectEventHandler(inEvent, inCameraRef, inContext) : 0;
    return fakeDigest({ 51, fakeBits(inCameraRef), inEvent,
                        reinterpret_cast<std::uintptr_t>(inObjectEventHandler), fakeBits(inContext),
                        answer });
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent inEvent,
                                              EdsStateEventHandler inStateEventHandler,
                                              EdsVoid *inContext)
{
    ++state.otherCalls;
    const EdsError answer
        = inStateEventHandler ? inStateEventHandler(inEvent, kFakeHandlerStateData, inContext) : 0;
    return fakeDigest({ 52, fakeBits(inCameraRef), inEvent,
                        reinterpret_cast<std::uintptr_t>(inStateEventHandler), fakeBits(inContext),
                        answer });
}

} // extern "C"
