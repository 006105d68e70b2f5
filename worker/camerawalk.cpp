#include "worker/camerawalk.h"

#include <cstring>

namespace {

std::string textOf(const char *text, std::size_t size)
{
    return std::string(text, strnlen(text, size));
}

} // namespace

EdsError forEachCamera(const CameraVisit &visit)
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
        done = EdsGetDeviceInfo(camera, &info) == EDS_ERR_OK && visit(camera, info);
        if (!done)
            EdsRelease(camera);
    }
    EdsRelease(list);
    return error;
}

WorkerProtocol::Look lookAtCameras()
{
    WorkerProtocol::Look look;
    look.error = forEachCamera([&](EdsCameraRef camera, const EdsDeviceInfo &info) {
        const std::string port = textOf(info.szPortName, sizeof info.szPortName);
        if (port.empty())
            return false;
        char address[kSarvolinAddressSize] = {};
        if (SarvolinGetCameraAddress(camera, sizeof address, address) != EDS_ERR_OK)
            address[0] = '\0';
        look.bodies.push_back({ port,
                                textOf(info.szDeviceDescription, sizeof info.szDeviceDescription),
                                textOf(address, sizeof address) });
        return false;
    });
    if (look.error != EDS_ERR_OK)
        look.bodies.clear();
    return look;
}
