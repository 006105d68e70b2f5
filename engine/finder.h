#pragma once

#include "camera/edsdk.h"
#include "engine/bodyrow.h"
#include "worker/workerprotocol.h"

#include <QObject>
#include <QVector>

// Where the engine's looks at what is attached come from: the camera library
// in this process (SdkFinder), for a console program that may wait, or a
// finding worker (WorkerFinder), for a window whose thread must never wait
// on a camera. Each look is answered by found(), at once or later.
class Finder : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Gets ready to look; the camera library's error where that fails here.
    virtual EdsError start() = 0;
    virtual void look() = 0;
    // Lets go of what looking holds.
    virtual void stop() = 0;
    // Nothing of it is still running.
    virtual bool isIdle() const { return true; }

protected:
    // A look's bodies as rows, their texts read as the window reads them.
    static QVector<BodyRow> bodiesOf(const WorkerProtocol::Look &look);

signals:
    // The bodies attached (ports, models and addresses), or the library's error.
    void found(const QVector<BodyRow> &bodies, EdsError error);
    void idle();
};
