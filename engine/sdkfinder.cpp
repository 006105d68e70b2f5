#include "engine/sdkfinder.h"

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
    const WorkerProtocol::Look look = lookAtCameras();
    found = bodiesOf(look);
    return look.error;
}
