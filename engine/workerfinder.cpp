#include "engine/workerfinder.h"

#include "camera/bodyid.h"
#include "engine/enginedefaults.h"
#include "engine/workerprocess.h"
#include "worker/workerprotocol.h"

#include <utility>

namespace {

// Time for the finding worker to let go of its SDK once asked to stop.
constexpr int kGraceMs = 3000;

QString textOf(const std::string &bytes)
{
    return sdkText(bytes.data(), bytes.size());
}

} // namespace

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
    QVector<BodyRow> bodies;
    for (const WorkerProtocol::FoundBody &found : look.bodies) {
        BodyRow body;
        body.port = textOf(found.port);
        body.model = textOf(found.model);
        body.address = textOf(found.address);
        if (!body.port.isEmpty())
            bodies << body;
    }
    emit found(bodies, look.error);
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
        process->windDown(kGraceMs);
}
