#include "list/bodyreader.h"

#include "camera/bodyid.h"
#include "list/bodyfinder.h"

#include <utility>

const QString BodyReader::gone = QStringLiteral("gone before it could be read");
const QString BodyReader::refused = QStringLiteral("session refused");
const QString BodyReader::noId = QStringLiteral("gave no ID");
const QString BodyReader::timedOut = QStringLiteral("timed out");
const QString BodyReader::sdkFailed = QStringLiteral("camera library failed");
const QString BodyReader::workerFailed = QStringLiteral("reader failed");

namespace {

bool meansGone(EdsError error)
{
    return error == EDS_ERR_DEVICE_NOT_FOUND || error == EDS_ERR_COMM_DISCONNECTED;
}

} // namespace

BodyReader::BodyReader(std::function<bool()> stopRequested)
    : stopRequested(std::move(stopRequested))
{ }

EdsCameraRef BodyReader::find(const QString &port, EdsError &error)
{
    EdsCameraRef found = nullptr;
    error = BodyFinder::forEachBody([&](EdsCameraRef camera, const BodyRow &body) {
        if (body.port != port)
            return false;
        found = camera;
        return true;
    });
    return found;
}

BodyReader::Result BodyReader::read(const QString &port, const QString &address)
{
    Result result;
    if (EdsInitializeSDK() != EDS_ERR_OK) {
        result.error = sdkFailed;
        return result;
    }

    EdsError error
        = address.isEmpty() ? EDS_ERR_OK : SarvolinUseCameraAddress(address.toUtf8().constData());
    EdsCameraRef camera = error == EDS_ERR_OK ? find(port, error) : nullptr;
    bool open = false;
    auto finish = [&](const QString &reason) {
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
        return finish(QString());

    // A body just plugged in may refuse its first session.
    error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK && !meansGone(error) && !stopRequested())
        error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK)
        return finish(meansGone(error) ? gone : refused);
    open = true;
    if (stopRequested())
        return finish(QString());

    QString bodyId;
    if (!readBodyIdOf(camera, bodyId, error) || bodyId.isEmpty())
        return finish(meansGone(error) ? gone : noId);
    result.bodyId = bodyId;
    return finish(QString());
}
