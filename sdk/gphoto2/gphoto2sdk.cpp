#include "sdk/gphoto2/gphoto2sdk.h"

#include "sdk/gphoto2/gphoto2mapping.h"

#include <gphoto2/gphoto2-result.h>

#include <cstring>
#include <utility>

using Gphoto2Mapping::errorFromResult;

namespace {

constexpr EdsDataType kDataTypeString = 2;
constexpr EdsDataType kDataTypeUInt32 = 9;
constexpr EdsUInt32 kValueSize = sizeof(EdsUInt32);

// Where pictures would go. Kept here, not in libgphoto2's "capturetarget":
// that one is stored in the user's settings file, and this program never
// captures anyway.
constexpr EdsUInt32 kSaveToCamera = 1;
constexpr EdsUInt32 kSaveToBoth = 3;

// The decimal serial as the body reports it, leading zeros and all; bodies
// without it at least report the device's serial number.
const std::vector<const char *> kBodyIdWidgets = { "eosserialnumber", "serialnumber" };

struct ChoiceProperty {
    std::vector<const char *> widgets; // the first one the body has is used
    Gphoto2Mapping::ChoiceReader fromChoice;
};

const ChoiceProperty *choicePropertyOf(EdsPropertyID id)
{
    static const ChoiceProperty exposureMode { { "autoexposuremode", "autoexposuremodedial" },
                                               &Gphoto2Mapping::exposureModeFromChoice };
    static const ChoiceProperty imageQuality { { "imageformat" },
                                               &Gphoto2Mapping::imageQualityFromChoice };
    switch (id) {
    case kEdsPropID_AEModeSelect:
        return &exposureMode;
    case kEdsPropID_ImageQuality:
        return &imageQuality;
    default:
        return nullptr;
    }
}

// Live view and everything else has no counterpart here.
bool isSupported(EdsPropertyID id)
{
    return id == kEdsPropID_SaveTo || id == kEdsPropID_BodyIDEx || choicePropertyOf(id);
}

// What a body answers for a setting it does not have.
bool isAbsent(int result)
{
    return result == GP_ERROR_BAD_PARAMETERS || result == GP_ERROR_NOT_SUPPORTED;
}

} // namespace

Gphoto2Sdk &Gphoto2Sdk::instance()
{
    static Gphoto2Sdk sdk;
    return sdk;
}

Gphoto2Sdk::Gphoto2Sdk()
    : references([this](CameraState &camera) {
        if (camera.session)
            backend->close(camera.session);
    })
{ }

// A program that ends without terminating still lets go of its cameras.
Gphoto2Sdk::~Gphoto2Sdk()
{
    closeAll();
}

// A second initialisation is accepted and changes nothing; one terminate
// ends it.
EdsError Gphoto2Sdk::initialize()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        backend = std::make_unique<Gphoto2Backend>();
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::terminate()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    closeAll();
    return EDS_ERR_OK;
}

void Gphoto2Sdk::closeAll()
{
    references.clear();
    backend.reset();
}

EdsError Gphoto2Sdk::release(EdsBaseRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    return references.release(ref);
}

EdsError Gphoto2Sdk::cameraList(EdsCameraListRef *outList)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    if (!outList)
        return EDS_ERR_INVALID_POINTER;
    std::vector<Gphoto2Backend::Detected> detected;
    const int result = backend->detect(detected);
    if (result < GP_OK)
        return errorFromResult(result);
    return makeList(detected, outList);
}

EdsError Gphoto2Sdk::cameraListOf(const std::vector<Gphoto2Backend::Detected> &cameras,
                                  EdsCameraListRef *outList)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    if (!outList)
        return EDS_ERR_INVALID_POINTER;
    return makeList(cameras, outList);
}

// A camera is the same camera while its model and port are.
EdsError Gphoto2Sdk::makeList(const std::vector<Gphoto2Backend::Detected> &cameras,
                              EdsCameraListRef *outList)
{
    *outList = references.addList(
        cameras, [](const CameraState &camera, const Gphoto2Backend::Detected &device) {
            return camera.device.model == device.model && camera.device.port == device.port;
        });
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::childCount(EdsBaseRef ref, EdsUInt32 *outCount)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    return references.childCount(ref, outCount);
}

EdsError Gphoto2Sdk::childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    return references.childAtIndex(ref, index, outRef);
}

EdsError Gphoto2Sdk::deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!outInfo)
        return EDS_ERR_INVALID_POINTER;
    EdsDeviceInfo info = {};
    Gphoto2Mapping::copyText(camera->device.port, sizeof info.szPortName, info.szPortName);
    Gphoto2Mapping::copyText(camera->device.model, sizeof info.szDeviceDescription,
                             info.szDeviceDescription);
    *outInfo = info;
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::openSession(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (camera->session)
        return EDS_ERR_OK;
    Camera *session = nullptr;
    const int result = backend->open(camera->device, &session);
    if (result < GP_OK)
        return errorFromResult(result);
    camera->session = session;
    camera->saveTo = kSaveToCamera;
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::closeSession(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    Camera *const session = std::exchange(camera->session, nullptr);
    return errorFromResult(backend->close(session));
}

EdsError Gphoto2Sdk::propertySize(EdsBaseRef ref, EdsPropertyID id, EdsDataType *outType,
                                  EdsUInt32 *outSize)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!outType || !outSize)
        return EDS_ERR_INVALID_POINTER;
    if (!isSupported(id))
        return EDS_ERR_NOT_SUPPORTED;

    if (id == kEdsPropID_BodyIDEx) {
        Gphoto2Backend::Setting bodyId;
        const EdsError read = readSetting(camera->session, kBodyIdWidgets, bodyId, nullptr);
        if (read != EDS_ERR_OK)
            return read;
        *outType = kDataTypeString;
        *outSize = static_cast<EdsUInt32>(bodyId.value.size() + 1);
        return EDS_ERR_OK;
    }

    // A body without the setting has no such property.
    EdsUInt32 value = 0;
    const EdsError read = readValue(*camera, id, value);
    if (read != EDS_ERR_OK)
        return read;
    *outType = kDataTypeUInt32;
    *outSize = kValueSize;
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::propertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size,
                                  EdsVoid *outData)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!outData)
        return EDS_ERR_INVALID_POINTER;
    if (!isSupported(id))
        return EDS_ERR_NOT_SUPPORTED;

    if (id == kEdsPropID_BodyIDEx) {
        if (size == 0)
            return EDS_ERR_INVALID_PARAMETER;
        Gphoto2Backend::Setting bodyId;
        const EdsError read = readSetting(camera->session, kBodyIdWidgets, bodyId, nullptr);
        if (read != EDS_ERR_OK)
            return read;
        Gphoto2Mapping::copyText(bodyId.value, size, outData);
        return EDS_ERR_OK;
    }

    if (size < kValueSize)
        return EDS_ERR_INVALID_PARAMETER;
    EdsUInt32 value = 0;
    const EdsError read = readValue(*camera, id, value);
    if (read != EDS_ERR_OK)
        return read;
    std::memcpy(outData, &value, kValueSize);
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size,
                                     const EdsVoid *inData)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    const EdsError error = findOpenCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    if (!inData)
        return EDS_ERR_INVALID_POINTER;
    if (!isSupported(id) || id == kEdsPropID_BodyIDEx)
        return EDS_ERR_NOT_SUPPORTED;
    if (size < kValueSize)
        return EDS_ERR_INVALID_PARAMETER;
    EdsUInt32 value = 0;
    std::memcpy(&value, inData, kValueSize);

    if (id == kEdsPropID_SaveTo) {
        if (value < kSaveToCamera || value > kSaveToBoth)
            return EDS_ERR_INVALID_PARAMETER;
        camera->saveTo = value;
        return EDS_ERR_OK;
    }

    // Only what this body offers can be selected; whether it took the choice
    // shows when the value is read back.
    const ChoiceProperty *property = choicePropertyOf(id);
    Gphoto2Backend::Setting setting;
    const char *name = nullptr;
    const EdsError read = readSetting(camera->session, property->widgets, setting, &name);
    if (read != EDS_ERR_OK)
        return read;
    const int index = Gphoto2Mapping::choiceIndexFor(value, setting.choices, property->fromChoice);
    if (index < 0)
        return EDS_ERR_NOT_SUPPORTED;
    return errorFromResult(
        backend->write(camera->session, name, setting.choices[static_cast<std::size_t>(index)]));
}

EdsError Gphoto2Sdk::acceptCamera(EdsCameraRef ref)
{
    std::lock_guard<std::mutex> lock(mutex);
    CameraState *camera = nullptr;
    return findCamera(ref, camera);
}

EdsError Gphoto2Sdk::findCamera(EdsBaseRef ref, CameraState *&camera)
{
    if (!backend)
        return EDS_ERR_NOT_INITIALIZED;
    camera = references.camera(ref);
    return camera ? EDS_ERR_OK : EDS_ERR_INVALID_HANDLE;
}

EdsError Gphoto2Sdk::findOpenCamera(EdsBaseRef ref, CameraState *&camera)
{
    const EdsError error = findCamera(ref, camera);
    if (error != EDS_ERR_OK)
        return error;
    return camera->session ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
}

// The first of the named settings that the body has and that holds a value;
// an empty one counts as missing, since some bodies list a serial number
// they leave blank.
EdsError Gphoto2Sdk::readSetting(Camera *session, const std::vector<const char *> &names,
                                 Gphoto2Backend::Setting &setting, const char **foundName)
{
    int failure = GP_ERROR_NOT_SUPPORTED;
    for (const char *name : names) {
        Gphoto2Backend::Setting candidate;
        const int result = backend->read(session, name, candidate);
        if (result >= GP_OK && !candidate.value.empty()) {
            setting = std::move(candidate);
            if (foundName)
                *foundName = name;
            return EDS_ERR_OK;
        }
        if (result < GP_OK && !isAbsent(result))
            failure = result;
    }
    return errorFromResult(failure);
}

EdsError Gphoto2Sdk::readValue(CameraState &camera, EdsPropertyID id, EdsUInt32 &value)
{
    if (id == kEdsPropID_SaveTo) {
        value = camera.saveTo;
        return EDS_ERR_OK;
    }
    const ChoiceProperty *property = choicePropertyOf(id);
    Gphoto2Backend::Setting setting;
    const EdsError read = readSetting(camera.session, property->widgets, setting, nullptr);
    if (read != EDS_ERR_OK)
        return read;
    value = property->fromChoice(setting.value);
    return EDS_ERR_OK;
}

extern "C" {

EdsError EDSAPI EdsInitializeSDK()
{
    return Gphoto2Sdk::instance().initialize();
}

EdsError EDSAPI EdsTerminateSDK()
{
    return Gphoto2Sdk::instance().terminate();
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    return Gphoto2Sdk::instance().release(inRef);
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    return Gphoto2Sdk::instance().childCount(inRef, outCount);
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    return Gphoto2Sdk::instance().childAtIndex(inRef, inIndex, outRef);
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    return Gphoto2Sdk::instance().propertySize(inRef, inPropertyID, outDataType, outSize);
}

EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    return Gphoto2Sdk::instance().propertyData(inRef, inPropertyID, inPropertySize,
                                               outPropertyData);
}

EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    return Gphoto2Sdk::instance().setPropertyData(inRef, inPropertyID, inPropertySize,
                                                  inPropertyData);
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    return Gphoto2Sdk::instance().cameraList(outCameraListRef);
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    return Gphoto2Sdk::instance().deviceInfo(inCameraRef, outDeviceInfo);
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    return Gphoto2Sdk::instance().openSession(inCameraRef);
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    return Gphoto2Sdk::instance().closeSession(inCameraRef);
}

EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity)
{
    return Gphoto2Sdk::instance().acceptCamera(inCameraRef);
}

EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent,
                                           EdsPropertyEventHandler, EdsVoid *)
{
    return Gphoto2Sdk::instance().acceptCamera(inCameraRef);
}

EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent,
                                         EdsObjectEventHandler, EdsVoid *)
{
    return Gphoto2Sdk::instance().acceptCamera(inCameraRef);
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent,
                                              EdsStateEventHandler, EdsVoid *)
{
    return Gphoto2Sdk::instance().acceptCamera(inCameraRef);
}

} // extern "C"
