#include "engine/sdkfinder.h"

#include "camera/bodyid.h"
#include "worker/camerawalk.h"

SdkFinder::~SdkFinder()
{
    stop();
}

EdsError SdkFinder::start()
{
    if (started)
        return EDS_ERR_OK;
    const EdsError error = EdsInitializeSDK();
    started = error == EDS_ERR_OK;
    return error;
}

void SdkFinder::stop()
{
    if (started && EdsTerminateSDK() != EDS_ERR_OK)
        EdsTerminateSDK();
    started = false;
}

void SdkFinder::look()
{
    QVector<BodyRow> bodies;
    const EdsError error = find(bodies);
    emit found(bodies, error);
}

EdsError SdkFinder::find(QVector<BodyRow> &found)
{
    found.clear();
    return forEachCamera([&](EdsCameraRef camera, const EdsDeviceInfo &info) {
        BodyRow body;
        body.port = sdkText(info.szPortName, sizeof info.szPortName);
        body.model = sdkText(info.szDeviceDescription, sizeof info.szDeviceDescription);
        if (body.port.isEmpty())
            return false;
        char address[kSarvolinAddressSize];
        if (SarvolinGetCameraAddress(camera, sizeof address, address) == EDS_ERR_OK)
            body.address = sdkText(address, sizeof address);
        found << body;
        return false;
    });
}
