#include "engine/workerfinder.h"

#include "engine/enginedefaults.h"
#include "engine/workerprocess.h"
#include "worker/workerprotocol.h"

#include <utility>

WorkerFinder::WorkerFinder(QString worker, int silentMs, QObject *parent)
    : Finder(parent)
    , worker(std::move(worker))
    , silentMs(silentMs)
{ }

void WorkerFinder::look()
{
    if (stopping)
        return;
    if (!process) {
        saidSomething = false;
        quiet.start();
        process = new WorkerProcess(this);
        connect(process, &WorkerProcess::lineRead, this, &WorkerFinder::lineRead);
        connect(process, &WorkerProcess::ended, this, &WorkerFinder::ended);
        process->start(
            worker, { QStringLiteral("--find"), QString::number(EngineDefaults::lookIntervalMs) });
    } else if (quiet.hasExpired(silentMs)) {
        saidSomething = false;
        process->kill();
    }
}

void WorkerFinder::lineRead(const QByteArray &line)
{
    WorkerProtocol::Look look;
    if (!WorkerProtocol::decode(line.toStdString(), look))
        return;
    saidSomething = true;
    quiet.start();
    emit found(bodiesOf(look), look.error);
}

void WorkerFinder::ended(bool cleanly)
{
    process->deleteLater();
    process = nullptr;
    // Lost without a word: the camera library is not there for us.
    if (!stopping && !saidSomething && !cleanly)
        emit found({}, EDS_ERR_INTERNAL_ERROR);
    if (stopping)
        emit idle();
}

void WorkerFinder::stop()
{
    if (stopping) {
        if (process)
            process->kill();
        return;
    }
    stopping = true;
    if (process)
        process->windDown();
}
