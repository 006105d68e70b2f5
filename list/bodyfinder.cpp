#include "list/bodyfinder.h"

#include "camera/bodyid.h"

BodyFinder::~BodyFinder()
{
    stop();
}

EdsError BodyFinder::start()
{
    if (started)
        return EDS_ERR_OK;
    const EdsError error = EdsInitializeSDK();
    started = error == EDS_ERR_OK;
    return error;
}

void BodyFinder::stop()
{
    if (started && EdsTerminateSDK() != EDS_ERR_OK)
        EdsTerminateSDK();
    started = false;
}

EdsError BodyFinder::find(QVector<BodyRow> &found)
{
    found.clear();
    return forEachBody([&](EdsCameraRef camera, const BodyRow &body) {
        found << body;
        char address[kSarvolinAddressSize];
        if (SarvolinGetCameraAddress(camera, sizeof address, address) == EDS_ERR_OK)
            found.last().address = sdkText(address, sizeof address);
        return false;
    });
}

EdsError BodyFinder::forEachBody(const Visit &visit)
{
    EdsCameraListRef list = nullptr;
    EdsError error = EdsGetCameraList(&list);
    if (error != EDS_ERR_OK)
        return error;
    EdsUInt32 count = 0;
    error = EdsGetChildCount(list, &count);
    bool done = false;
    for (EdsUInt32 i = 0; error == EDS_ERR_OK && !done && i < count; ++i) {
        EdsCameraRef camera = nullptr;
        if (EdsGetChildAtIndex(list, EdsInt32(i), &camera) != EDS_ERR_OK || !camera)
            continue;
        EdsDeviceInfo info = {};
        if (EdsGetDeviceInfo(camera, &info) == EDS_ERR_OK) {
            BodyRow body;
            body.port = sdkText(info.szPortName, sizeof info.szPortName);
            body.model = sdkText(info.szDeviceDescription, sizeof info.szDeviceDescription);
            done = !body.port.isEmpty() && visit(camera, body);
        }
        if (!done)
            EdsRelease(camera);
    }
    EdsRelease(list);
    return error;
}
