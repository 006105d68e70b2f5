#include "sdk/simulated/simulatedsdk.h"

#include <cstdlib>
#include <numeric>
#include <string>

namespace {

constexpr EdsPropertyEvent kPropertyEventChanged = 0x00000101;

// SARVOLIN_SIMULATED_CAMERAS sets how many cameras are attached, 0 to 8,
// read at every initialisation; unset or anything else means one. 0 lets a
// demo show the "no camera" path.
std::size_t attachedCameraCount()
{
    constexpr unsigned long kMaxCameras = 8;
    const char *text = std::getenv("SARVOLIN_SIMULATED_CAMERAS");
    if (!text || !*text)
        return 1;
    char *end = nullptr;
    const unsigned long count = std::strtoul(text, &end, 10);
    if (*end != '\0' || count > kMaxCameras)
        return 1;
    return count;
}

std::string bodyIdOf(std::size_t index)
{
    std::string id = std::to_string(83021004517ULL + index);
    id.insert(0, 12 - id.size(), '0');
    return id;
}

std::string portNameOf(std::size_t index)
{
    std::string device = std::to_string(4 + index);
    device.insert(0, 3 - device.size(), '0');
    return "usb:001," + device;
}

} // namespace

SimulatedSdk &SimulatedSdk::instance()
{
    static SimulatedSdk sdk;
    return sdk;
}

// A second initialisation is accepted and changes nothing; one terminate ends
// it. Every initialisation from scratch finds the cameras freshly attached,
// in their factory state.
EdsError SimulatedSdk::initialize()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (initialised)
        return EDS_ERR_OK;
    const std::size_t count = attachedCameraCount();
    for (std::size_t i = 0; i < count; ++i)
        attached.emplace_back(bodyIdOf(i), portNameOf(i));
    initialised = true;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::terminate()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    references.clear(); // closes every session with its camera
    attached.clear();
    initialised = false;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::release(EdsBaseRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    return references.release(ref);
}

EdsError SimulatedSdk::cameraList(EdsCameraListRef *outList)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (outList)
        *outList = nullptr;
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    if (!outList)
        return EDS_ERR_INVALID_POINTER;
    std::vector<std::size_t> devices(attached.size());
    std::iota(devices.begin(), devices.end(), std::size_t { 0 });
    *outList = references.addList(devices, [](const CameraState &camera, std::size_t device) {
        return camera.device == device;
    });
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::childCount(EdsBaseRef ref, EdsUInt32 *outCount)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    return references.childCount(ref, outCount);
}

EdsError SimulatedSdk::childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (outRef)
        *outRef = nullptr;
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    return references.childAtIndex(ref, index, outRef);
}

EdsError SimulatedSdk::deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    if (const EdsError error = findCamera(ref, camera))
        return error;
    if (!outInfo)
        return EDS_ERR_INVALID_POINTER;
    attached[camera->device].fillDeviceInfo(*outInfo);
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::openSession(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    if (const EdsError error = findCamera(ref, camera))
        return error;
    if (camera->sessionOpen)
        return EDS_ERR_DEVICE_BUSY;
    camera->sessionOpen = true;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::closeSession(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    camera->sessionOpen = false;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::setCapacity(EdsCameraRef ref, EdsCapacity capacity)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (capacity.numberOfFreeClusters < 0 || capacity.bytesPerSector <= 0)
        return EDS_ERR_INVALID_PARAMETER;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::propertySize(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                    EdsDataType *outType, EdsUInt32 *outSize)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!outType || !outSize)
        return EDS_ERR_INVALID_POINTER;
    return attached[camera->device].propertySize(id, param, *outType, *outSize);
}

EdsError SimulatedSdk::propertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                    EdsUInt32 size, EdsVoid *outData)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!outData)
        return EDS_ERR_INVALID_POINTER;
    return attached[camera->device].readProperty(id, param, size, outData);
}

// A change is announced to the property handler at once, on the caller's
// thread, and after the lock is dropped so that the handler may call back in.
EdsError SimulatedSdk::setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                       EdsUInt32 size, const EdsVoid *inData)
{
    std::unique_lock<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!inData)
        return EDS_ERR_INVALID_POINTER;
    bool changed = false;
    error = attached[camera->device].writeProperty(id, param, size, inData, changed);
    const EdsPropertyEventHandler handler = camera->propertyHandler;
    const bool wanted = camera->propertyEvent == kEdsPropertyEvent_All
        || camera->propertyEvent == kPropertyEventChanged;
    EdsVoid *const context = camera->propertyContext;
    lock.unlock();
    if (error == EDS_ERR_OK && changed && handler && wanted)
        handler(kPropertyEventChanged, id, 0, context);
    return error;
}

EdsError SimulatedSdk::setPropertyEventHandler(EdsCameraRef ref, EdsPropertyEvent event,
                                               EdsPropertyEventHandler handler, EdsVoid *context)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    if (const EdsError error = findCamera(ref, camera))
        return error;
    camera->propertyEvent = event;
    camera->propertyHandler = handler;
    camera->propertyContext = handler ? context : nullptr;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::acceptSilentHandler(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    return findCamera(ref, camera);
}

EdsError SimulatedSdk::findCamera(EdsBaseRef ref, CameraState *&camera)
{
    if (!initialised)
        return EDS_ERR_NOT_INITIALIZED;
    camera = references.camera(ref);
    return camera ? EDS_ERR_OK : EDS_ERR_INVALID_HANDLE;
}

EdsError SimulatedSdk::findOpenCamera(EdsBaseRef ref, CameraState *&camera)
{
    if (const EdsError error = findCamera(ref, camera))
        return error;
    return camera->sessionOpen ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
}

extern "C" {

EdsError EDSAPI EdsInitializeSDK()
{
    return SimulatedSdk::instance().initialize();
}

EdsError EDSAPI EdsTerminateSDK()
{
    return SimulatedSdk::instance().terminate();
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    return SimulatedSdk::instance().release(inRef);
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    return SimulatedSdk::instance().childCount(inRef, outCount);
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    return SimulatedSdk::instance().childAtIndex(inRef, inIndex, outRef);
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    return SimulatedSdk::instance().propertySize(inRef, inPropertyID, inParam, outDataType,
                                                 outSize);
}

EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    return SimulatedSdk::instance().propertyData(inRef, inPropertyID, inParam, inPropertySize,
                                                 outPropertyData);
}

EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    return SimulatedSdk::instance().setPropertyData(inRef, inPropertyID, inParam, inPropertySize,
                                                    inPropertyData);
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    return SimulatedSdk::instance().cameraList(outCameraListRef);
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    return SimulatedSdk::instance().deviceInfo(inCameraRef, outDeviceInfo);
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    return SimulatedSdk::instance().openSession(inCameraRef);
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    return SimulatedSdk::instance().closeSession(inCameraRef);
}

EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    return SimulatedSdk::instance().setCapacity(inCameraRef, inCapacity);
}

EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext)
{
    return SimulatedSdk::instance().setPropertyEventHandler(inCameraRef, inEvent,
                                                            inPropertyEventHandler, inContext);
}

EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent,
                                         EdsObjectEventHandler, EdsVoid *)
{
    return SimulatedSdk::instance().acceptSilentHandler(inCameraRef);
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent,
                                              EdsStateEventHandler, EdsVoid *)
{
    return SimulatedSdk::instance().acceptSilentHandler(inCameraRef);
}

} // extern "C"
