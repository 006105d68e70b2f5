#include "camera/cameracannon.h"

#include "camera/bodyid.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr EdsUInt32 kValueSize = sizeof(EdsUInt32);

// An image-quality size beyond this is nonsense from the SDK; refuse it
// rather than allocate whatever it claims.
constexpr EdsUInt32 kMaxImageQualitySize = 64 * 1024;

// Live-view AF in "live" mode: focusing on the sensor image works on every
// body that offers live view, unlike the quick mode that drops the mirror.
constexpr EdsUInt32 kEvfAfModeLive = 1;

constexpr EdsCapacity kHostCapacity = { 0x7FFFFFFF, 0x1000, 1 };

} // namespace

CameraCannon::CameraCannon() = default;

CameraCannon::~CameraCannon()
{
    if (connected) {
        EdsCloseSession(cameraRef);
        releaseReferences();
    }
    if (sessionOpen) {
        if (terminateSdk() != EDS_ERR_OK)
            terminateSdk();
    }
}

void CameraCannon::releaseReferences()
{
    if (cameraRef) {
        EdsRelease(cameraRef);
        cameraRef = nullptr;
    }
    if (cameraListRef) {
        EdsRelease(cameraListRef);
        cameraListRef = nullptr;
    }
}

// The SDK's termination frees every reference it handed out, so ours are
// forgotten, not released, and never reach the SDK again.
EdsError CameraCannon::terminateSdk()
{
    const EdsError err = EdsTerminateSDK();
    cameraRef = nullptr;
    cameraListRef = nullptr;
    return err;
}

bool CameraCannon::initSdk()
{
    if (sessionOpen)
        disconnectCamera();

    terminateSdk();

    if (EdsInitializeSDK() != EDS_ERR_OK) {
        terminateSdk();
        return false;
    }
    return true;
}

bool CameraCannon::openFirstCamera(int &count)
{
    count = -1;

    if (EdsGetCameraList(&cameraListRef) != EDS_ERR_OK) {
        terminateSdk();
        return false;
    }

    EdsUInt32 cameras = 0;
    EdsError err = EdsGetChildCount(cameraListRef, &cameras);
    if (cameras == 0)
        err = EDS_ERR_DEVICE_NOT_FOUND;
    if (err != EDS_ERR_OK) {
        terminateSdk();
        return false;
    }

    // A failure here leaves cameraRef unusable, which the session opening
    // below reports.
    EdsGetChildAtIndex(cameraListRef, 0, &cameraRef);

    if (cameraListRef)
        EdsRelease(cameraListRef);
    cameraListRef = nullptr;

    if (!sessionOpen) {
        if (EdsOpenSession(cameraRef) != EDS_ERR_OK && EdsOpenSession(cameraRef) != EDS_ERR_OK) {
            terminateSdk();
            return false;
        }
    }

    sessionOpen = true;
    count = static_cast<int>(std::min<EdsUInt32>(cameras, INT_MAX));
    return true;
}

int CameraCannon::prepareCamera(int mode)
{
    Q_UNUSED(mode)

    if (!configureCamera())
        return -1;

    EdsDataType dataType = 0;
    EdsUInt32 size = 0;
    if (EdsGetPropertySize(cameraRef, kEdsPropID_AEModeSelect, 0, &dataType, &size) != EDS_ERR_OK)
        return -1;
    if (size > kValueSize)
        return -1;

    EdsUInt32 mode32 = 0;
    if (EdsGetPropertyData(cameraRef, kEdsPropID_AEModeSelect, 0, size, &mode32) != EDS_ERR_OK)
        return -1;
    if (mode32 != kEdsAEMode_Manual)
        return -1;

    connected = true;
    return 0;
}

// One pass of "pictures go to the host": write, read back, and accept only a
// 4-byte property that now holds the host value.
bool CameraCannon::writeAndVerifySaveTo(EdsUInt32 &size)
{
    EdsDataType dataType = 0;
    EdsGetPropertySize(cameraRef, kEdsPropID_SaveTo, 0, &dataType, &size);
    if (size > kValueSize)
        return false;

    const EdsUInt32 host = kEdsSaveTo_Host;
    EdsSetPropertyData(cameraRef, kEdsPropID_SaveTo, 0, size, &host);

    EdsUInt32 readBack = 0;
    if (EdsGetPropertyData(cameraRef, kEdsPropID_SaveTo, 0, size, &readBack) != EDS_ERR_OK)
        return false;
    return size == kValueSize && readBack == kEdsSaveTo_Host;
}

bool CameraCannon::configureCamera()
{
    EdsDataType dataType = 0;
    EdsUInt32 size = 0;

    // Exposure mode: results are not examined here; prepareCamera checks the
    // mode that the camera ends up in.
    EdsGetPropertySize(cameraRef, kEdsPropID_AEModeSelect, 0, &dataType, &size);
    if (size > kValueSize)
        return false;
    EdsUInt32 exposureMode = 0;
    EdsGetPropertyData(cameraRef, kEdsPropID_AEModeSelect, 0, size, &exposureMode);
    if (exposureMode != kEdsAEMode_Manual) {
        const EdsUInt32 manual = kEdsAEMode_Manual;
        EdsSetPropertyData(cameraRef, kEdsPropID_AEModeSelect, 0, size, &manual);
    }

    if (!writeAndVerifySaveTo(size))
        return false;
    if (!writeAndVerifySaveTo(size))
        return false;

    EdsSetCapacity(cameraRef, kHostCapacity);

    EdsGetPropertySize(cameraRef, kEdsPropID_ImageQuality, 0, &dataType, &size);
    if (size > kMaxImageQualitySize)
        return false;
    std::vector<unsigned char> quality(std::max(size, kValueSize), 0);
    const EdsUInt32 raw = EdsImageQuality_LR;
    std::memcpy(quality.data(), &raw, sizeof raw); // the SDK's values are little-endian
    if (EdsSetPropertyData(cameraRef, kEdsPropID_ImageQuality, 0, size, quality.data())
        != EDS_ERR_OK)
        return false;
    std::fill(quality.begin(), quality.end(), 0);
    EdsGetPropertyData(cameraRef, kEdsPropID_ImageQuality, 0, size, quality.data());
    if (size < 3 || quality[2] != 0x64)
        return false;

    if (EdsSetObjectEventHandler(cameraRef, kEdsObjectEvent_All, &CameraCannon::handleObjectEvent,
                                 this)
        != EDS_ERR_OK)
        return false;
    if (EdsSetCameraStateEventHandler(cameraRef, kEdsStateEvent_All,
                                      &CameraCannon::handleStateEvent, this)
        != EDS_ERR_OK)
        return false;
    return EdsSetPropertyEventHandler(cameraRef, kEdsPropertyEvent_All,
                                      &CameraCannon::handlePropertyEvent, this)
        == EDS_ERR_OK;
}

bool CameraCannon::disconnectCamera()
{
    if (EdsSetObjectEventHandler(cameraRef, kEdsObjectEvent_All, nullptr, nullptr) != EDS_ERR_OK)
        EdsSetObjectEventHandler(cameraRef, kEdsObjectEvent_All, nullptr, nullptr);
    EdsSetCameraStateEventHandler(cameraRef, kEdsStateEvent_All, nullptr, nullptr);

    if (connected && cameraRef) {
        EdsCloseSession(cameraRef);
        releaseReferences();
    }

    if (sessionOpen) {
        if (terminateSdk() != EDS_ERR_OK)
            terminateSdk();
    }

    sessionOpen = false;
    connected = false;
    return true;
}

bool CameraCannon::isConnected() const
{
    return connected;
}

bool CameraCannon::readBodyId(QString &bodyId)
{
    EdsError error = EDS_ERR_OK;
    return readBodyIdOf(cameraRef, bodyId, error);
}

bool CameraCannon::readDeviceDescription(int index, QString &description)
{
    if (!cameraRef) {
        if (EdsGetChildAtIndex(cameraListRef, index, &cameraRef) != EDS_ERR_OK || !cameraRef)
            return false;
    }

    EdsDeviceInfo info = {};
    if (EdsGetDeviceInfo(cameraRef, &info) != EDS_ERR_OK)
        return false;

    description = sdkText(info.szDeviceDescription, sizeof info.szDeviceDescription);
    deviceDescription = description;
    return true;
}

bool CameraCannon::setEvfAfMode(bool enable)
{
    EdsDataType dataType = 0;
    EdsUInt32 size = 0;
    EdsGetPropertySize(cameraRef, kEdsPropID_Evf_AFMode, 0, &dataType, &size);
    if (size > kValueSize)
        return false;

    EdsError err;
    if (enable) {
        const EdsUInt32 afMode = kEvfAfModeLive;
        err = EdsSetPropertyData(cameraRef, kEdsPropID_Evf_AFMode, 0, size, &afMode);
    } else {
        const EdsUInt32 evfMode = 2;
        err = EdsSetPropertyData(cameraRef, kEdsPropID_Evf_Mode, 0, size, &evfMode);
    }
    return err == EDS_ERR_OK;
}

bool CameraCannon::writeProperty(EdsPropertyID propertyId, EdsUInt32 value)
{
    if (!sessionOpen)
        return false;

    EdsDataType dataType = 0;
    EdsUInt32 size = 0;
    if (EdsGetPropertySize(cameraRef, propertyId, 0, &dataType, &size) != EDS_ERR_OK)
        return false;
    if (size > kValueSize)
        return false;

    if (propertyId == kEdsPropID_Evf_OutputDevice) {
        EdsUInt32 current = 0;
        if (EdsGetPropertyData(cameraRef, propertyId, 0, size, &current) != EDS_ERR_OK)
            return false;
    }

    return EdsSetPropertyData(cameraRef, propertyId, 0, size, &value) == EDS_ERR_OK;
}

EdsError EDSCALLBACK CameraCannon::handlePropertyEvent(EdsPropertyEvent, EdsPropertyID, EdsUInt32,
                                                       EdsVoid *)
{
    return EDS_ERR_OK;
}

EdsError EDSCALLBACK CameraCannon::handleObjectEvent(EdsObjectEvent, EdsBaseRef, EdsVoid *)
{
    return EDS_ERR_OK;
}

EdsError EDSCALLBACK CameraCannon::handleStateEvent(EdsStateEvent, EdsUInt32, EdsVoid *)
{
    return EDS_ERR_OK;
}
