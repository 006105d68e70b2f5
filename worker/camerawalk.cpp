#include "worker/camerawalk.h"

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
