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

CameraSdk &cameraSdk()
{
    return SimulatedSdk::instance();
}

// References to cameras are cleared on failure, as the caller may hold on to
// what it passed.
SimulatedSdk::SimulatedSdk()
    : CameraSdkBase(FailedOutputs::Cleared)
{ }

// Every initialisation from scratch finds the cameras freshly attached, in
// their factory state.
EdsError SimulatedSdk::start()
{
    const std::size_t count = attachedCameraCount();
    for (std::size_t i = 0; i < count; ++i)
        attached.emplace_back(bodyIdOf(i), portNameOf(i));
    return EDS_ERR_OK;
}

void SimulatedSdk::stop()
{
    attached.clear();
}

EdsError SimulatedSdk::listCameras(EdsCameraListRef &outList)
{
    std::vector<std::size_t> devices(attached.size());
    std::iota(devices.begin(), devices.end(), std::size_t { 0 });
    outList = references.addList(devices, [](const CameraState &camera, std::size_t device) {
        return camera.device == device;
    });
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::describe(CameraState &camera, EdsDeviceInfo &outInfo)
{
    attached[camera.device].fillDeviceInfo(outInfo);
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::open(CameraState &camera)
{
    if (camera.sessionOpen)
        return EDS_ERR_DEVICE_BUSY;
    camera.sessionOpen = true;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::close(CameraState &camera)
{
    camera.sessionOpen = false;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::acceptCapacity(CameraState &camera, EdsCapacity capacity)
{
    if (!camera.sessionOpen)
        return EDS_ERR_SESSION_NOT_OPEN;
    if (capacity.numberOfFreeClusters < 0 || capacity.bytesPerSector <= 0)
        return EDS_ERR_INVALID_PARAMETER;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::sizeOf(CameraState &camera, EdsPropertyID id, EdsInt32 param,
                              EdsDataType &outType, EdsUInt32 &outSize)
{
    return attached[camera.device].propertySize(id, param, outType, outSize);
}

EdsError SimulatedSdk::read(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                            EdsVoid *outData)
{
    return attached[camera.device].readProperty(id, param, size, outData);
}

// A change is announced to the property handler at once, on the caller's
// thread, and after the lock is dropped so that the handler may call back in.
EdsError SimulatedSdk::write(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                             const EdsVoid *inData, std::unique_lock<std::mutex> &lock)
{
    bool changed = false;
    const EdsError error = attached[camera.device].writeProperty(id, param, size, inData, changed);
    const EdsPropertyEventHandler handler = camera.propertyHandler;
    const bool wanted = camera.propertyEvent == kEdsPropertyEvent_All
        || camera.propertyEvent == kPropertyEventChanged;
    EdsVoid *const context = camera.propertyContext;
    lock.unlock();
    if (error == EDS_ERR_OK && changed && handler && wanted)
        handler(kPropertyEventChanged, id, 0, context);
    return error;
}

EdsError SimulatedSdk::watchProperties(CameraState &camera, EdsPropertyEvent event,
                                       EdsPropertyEventHandler handler, EdsVoid *context)
{
    camera.propertyEvent = event;
    camera.propertyHandler = handler;
    camera.propertyContext = handler ? context : nullptr;
    return EDS_ERR_OK;
}
