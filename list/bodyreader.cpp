#include "list/bodyreader.h"

#include "camera/bodyidfield.h"
#include "list/camerawalk.h"

#include <cstring>
#include <utility>

namespace {

bool meansGone(EdsError error)
{
    return error == EDS_ERR_DEVICE_NOT_FOUND || error == EDS_ERR_COMM_DISCONNECTED;
}

// A fixed-size text field of the SDK, up to its first zero byte.
std::string fieldText(const char *field, std::size_t size)
{
    const void *end = std::memchr(field, 0, size);
    return std::string(field, end ? std::size_t(static_cast<const char *>(end) - field) : size);
}

} // namespace

BodyReader::BodyReader(std::function<bool()> stopRequested)
    : stopRequested(std::move(stopRequested))
{ }

EdsCameraRef BodyReader::find(const std::string &port, EdsError &error)
{
    EdsCameraRef found = nullptr;
    error = forEachCamera([&](EdsCameraRef camera, const EdsDeviceInfo &info) {
        if (port.empty() || fieldText(info.szPortName, sizeof info.szPortName) != port)
            return false;
        found = camera;
        return true;
    });
    return found;
}

BodyReader::Result BodyReader::read(const std::string &port, const std::string &address)
{
    Result result;
    if (EdsInitializeSDK() != EDS_ERR_OK) {
        result.error = sdkFailed;
        return result;
    }

    EdsError error = address.empty() ? EDS_ERR_OK : SarvolinUseCameraAddress(address.c_str());
    EdsCameraRef camera = error == EDS_ERR_OK ? find(port, error) : nullptr;
    bool open = false;
    auto finish = [&](const char *reason) {
        if (open)
            EdsCloseSession(camera);
        if (camera)
            EdsRelease(camera);
        if (EdsTerminateSDK() != EDS_ERR_OK)
            EdsTerminateSDK();
        result.error = reason;
        result.stopped = stopRequested();
        return result;
    };

    if (error != EDS_ERR_OK)
        return finish(sdkFailed);
    if (!camera)
        return finish(gone);
    if (stopRequested())
        return finish("");

    // A body just plugged in may refuse its first session.
    error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK && !meansGone(error) && !stopRequested())
        error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK)
        return finish(meansGone(error) ? gone : refused);
    open = true;
    if (stopRequested())
        return finish("");

    char field[kBodyIdFieldSize] = {};
    error = EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, sizeof field, field);
    if (error != EDS_ERR_OK || field[0] == '\0')
        return finish(meansGone(error) ? gone : noId);
    result.idField = fieldText(field, sizeof field);
    return finish("");
}
