#include "sdk/simulated/simulatedsdk.h"

#include "sdk/simulated/simulatedrig.h"

#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr EdsPropertyEvent kPropertyEventChanged = 0x00000101;

std::string hex(EdsPropertyID id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(id));
    return text;
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
    latency = SimulatedRig::latency();
    attached.clear();
    plugIn();
    SimulatedRig::record("initialize");
    return EDS_ERR_OK;
}

void SimulatedSdk::stop()
{
    attached.clear();
    onlySocket.reset();
    SimulatedRig::record("terminate");
}

// Looks at the sockets again: a body still in its socket keeps its settings
// and its clock, one plugged in since (a word that changed included) arrives
// in its factory state.
void SimulatedSdk::plugIn()
{
    const std::vector<SimulatedRig::Slot> sockets = SimulatedRig::attached();
    attached.resize(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        std::optional<SimulatedCamera> &body = attached[i];
        if (!sockets[i])
            body.reset();
        else if (!body || body->behaviour() != *sockets[i])
            body.emplace(i, *sockets[i]);
    }
}

SimulatedCamera *SimulatedSdk::body(const CameraState &camera)
{
    if (camera.device >= attached.size() || !attached[camera.device])
        return nullptr;
    return &*attached[camera.device];
}

// A call that reaches the body takes the rig's latency, found or not.
SimulatedCamera *SimulatedSdk::reach(const CameraState &camera)
{
    if (latency.count() > 0)
        std::this_thread::sleep_for(latency);
    return body(camera);
}

EdsError SimulatedSdk::listCameras(EdsCameraListRef &outList)
{
    plugIn();
    std::vector<std::size_t> devices;
    for (std::size_t i = 0; i < attached.size(); ++i) {
        if (attached[i] && (!onlySocket || *onlySocket == i))
            devices.push_back(i);
    }
    outList = references.addList(devices, [](const CameraState &camera, std::size_t device) {
        return camera.device == device;
    });
    return EDS_ERR_OK;
}

// A body's address is its socket.
EdsError SimulatedSdk::addressOf(CameraState &camera, std::string &address)
{
    address = SimulatedRig::portNameOf(camera.device);
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::reachOnly(const std::string &address)
{
    onlySocket = SimulatedRig::socketOf(address);
    if (!onlySocket)
        return EDS_ERR_INVALID_PARAMETER;
    SimulatedRig::record("reach " + address);
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::describe(CameraState &camera, EdsDeviceInfo &outInfo)
{
    SimulatedCamera *const found = body(camera);
    if (!found)
        return EDS_ERR_DEVICE_NOT_FOUND;
    found->fillDeviceInfo(outInfo);
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::open(CameraState &camera)
{
    SimulatedCamera *const found = reach(camera);
    if (!found)
        return EDS_ERR_DEVICE_NOT_FOUND;
    // As a camera library grumbles about a body that went away.
    if (found->behaviour() == SimulatedCamera::Behaviour::Gone) {
        std::fprintf(stderr, "simulated camera: %s: no answer to open session\n",
                     found->port().c_str());
        return EDS_ERR_DEVICE_NOT_FOUND;
    }
    // Long enough to outlast any caller's patience, short enough that a
    // process left behind by a killed caller goes away by itself.
    if (found->behaviour() == SimulatedCamera::Behaviour::Hang) {
        SimulatedRig::record("hang " + found->port());
        std::this_thread::sleep_for(std::chrono::minutes(5));
        return EDS_ERR_DEVICE_BUSY;
    }
    if (found->behaviour() == SimulatedCamera::Behaviour::Refuse || camera.sessionOpen)
        return EDS_ERR_DEVICE_BUSY;
    camera.sessionOpen = true;
    SimulatedRig::record("open " + found->port());
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::close(CameraState &camera)
{
    SimulatedCamera *const found = reach(camera);
    if (camera.sessionOpen)
        SimulatedRig::record("close " + SimulatedRig::portNameOf(camera.device));
    camera.sessionOpen = false;
    return found ? EDS_ERR_OK : EDS_ERR_DEVICE_NOT_FOUND;
}

EdsError SimulatedSdk::acceptCapacity(CameraState &camera, EdsCapacity capacity)
{
    if (!reach(camera))
        return EDS_ERR_DEVICE_NOT_FOUND;
    if (!camera.sessionOpen)
        return EDS_ERR_SESSION_NOT_OPEN;
    if (capacity.numberOfFreeClusters < 0 || capacity.bytesPerSector <= 0)
        return EDS_ERR_INVALID_PARAMETER;
    return EDS_ERR_OK;
}

EdsError SimulatedSdk::sizeOf(CameraState &camera, EdsPropertyID id, EdsInt32 param,
                              EdsDataType &outType, EdsUInt32 &outSize)
{
    SimulatedCamera *const found = reach(camera);
    if (!found)
        return EDS_ERR_DEVICE_NOT_FOUND;
    return found->propertySize(id, param, outType, outSize);
}

EdsError SimulatedSdk::read(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                            EdsVoid *outData)
{
    SimulatedCamera *const found = reach(camera);
    if (!found)
        return EDS_ERR_DEVICE_NOT_FOUND;
    return found->readProperty(id, param, size, outData);
}

// A change is announced to the property handler at once, on the caller's
// thread, and after the lock is dropped so that the handler may call back in.
EdsError SimulatedSdk::write(CameraState &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                             const EdsVoid *inData, std::unique_lock<std::mutex> &lock)
{
    SimulatedCamera *const found = reach(camera);
    if (!found)
        return EDS_ERR_DEVICE_NOT_FOUND;
    SimulatedRig::record("write " + found->port() + ' ' + hex(id));
    bool changed = false;
    const EdsError error = found->writeProperty(id, param, size, inData, changed);
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
