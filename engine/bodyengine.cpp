#include "engine/bodyengine.h"

#include "camera/bodyid.h"
#include "engine/usblocations.h"
#include "engine/workerpool.h"
#include "worker/workerprotocol.h"

#include <algorithm>
#include <utility>

namespace {

// Time for the finding worker to let go of its SDK once asked to stop.
constexpr int kFinderGraceMs = 3000;

QString textOf(const std::string &bytes)
{
    return sdkText(bytes.data(), bytes.size());
}

void locate(QVector<BodyRow> &bodies)
{
    const UsbLocations locations;
    for (BodyRow &body : bodies)
        body.location = locations.of(body.port);
}

} // namespace

BodyEngine::BodyEngine(QString worker, Finding finding, Reading reading, QObject *parent)
    : QObject(parent)
    , worker(std::move(worker))
    , finding(finding)
    , reading_(std::move(reading))
{
    connect(&lookTimer, &QTimer::timeout, this, &BodyEngine::look);
}

BodyEngine::~BodyEngine()
{
    if (finderProcess) {
        finderProcess->disconnect(this);
        finderProcess->kill();
        finderProcess->waitForFinished(kFinderGraceMs);
    }
}

EdsError BodyEngine::start()
{
    return finding == Finding::Here ? finder.start() : EDS_ERR_OK;
}

void BodyEngine::stopFinding()
{
    finder.stop();
}

void BodyEngine::look()
{
    if (stopping)
        return;
    if (finding == Finding::InWorker) {
        // It looks by itself from then on; one that ended is started again,
        // and one stuck in the camera library for as long as a body may take
        // is given up.
        if (!finderProcess) {
            startFinder();
        } else if (finderQuiet.hasExpired(reading_.timeoutMs)) {
            sawFinderLine = false;
            finderProcess->kill();
        }
        return;
    }
    QVector<BodyRow> bodies;
    lookHere(bodies);
}

EdsError BodyEngine::lookHere(QVector<BodyRow> &bodies)
{
    const EdsError error = finder.find(bodies);
    found(bodies, error);
    return error;
}

void BodyEngine::startFinder()
{
    finderOutput.clear();
    finderQuiet.start();
    finderProcess = new QProcess(this);
    finderProcess->setProcessChannelMode(QProcess::SeparateChannels);
    connect(finderProcess, &QProcess::readyReadStandardOutput, this, &BodyEngine::finderSaid);
    const auto ended = [this, process = finderProcess](bool started) {
        if (process != finderProcess)
            return;
        finderSaid();
        finderProcess = nullptr;
        process->deleteLater();
        // Lost without a word: the camera library is not there for us.
        if (!stopping && !sawFinderLine
            && (!started || process->exitStatus() != QProcess::NormalExit
                || process->exitCode() != 0)) {
            QVector<BodyRow> none;
            found(none, EDS_ERR_INTERNAL_ERROR);
        }
        sawFinderLine = false;
        if (stopping && isIdle())
            emit idle();
    };
    connect(finderProcess, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [ended] { ended(true); });
    connect(finderProcess, &QProcess::errorOccurred, this, [ended](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(false);
    });
    finderProcess->start(worker, { QStringLiteral("--find"), QString::number(lookIntervalMs) });
}

// One line per look.
void BodyEngine::finderSaid()
{
    if (!finderProcess)
        return;
    finderOutput += finderProcess->readAllStandardOutput();
    int end = 0;
    while ((end = finderOutput.indexOf('\n')) >= 0) {
        const QByteArray line = finderOutput.left(end);
        finderOutput.remove(0, end + 1);
        WorkerProtocol::Look look;
        if (!WorkerProtocol::decode(line.toStdString(), look))
            continue;
        sawFinderLine = true;
        finderQuiet.start();
        QVector<BodyRow> bodies;
        for (const WorkerProtocol::FoundBody &found : look.bodies) {
            BodyRow body;
            body.port = textOf(found.port);
            body.model = textOf(found.model);
            body.address = textOf(found.address);
            if (!body.port.isEmpty())
                bodies << body;
        }
        found(bodies, look.error);
    }
}

void BodyEngine::found(QVector<BodyRow> &bodies, EdsError error)
{
    if (error == EDS_ERR_OK)
        locate(bodies);
    if (error != EDS_ERR_OK) {
        if (watching && error != lastLookError)
            emit lookFailed(error);
        lastLookError = error;
        return;
    }
    if (watching && lastLookError != EDS_ERR_OK)
        emit lookRecovered();
    lastLookError = EDS_ERR_OK;
    const QVector<BodyRow> before = std::exchange(present, bodies);
    if (!watching)
        return;
    const auto among = [](const QVector<BodyRow> &rows, const QString &port) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const BodyRow &row) { return row.port == port; });
    };
    // Each body seen for the first time since it was last missing is read.
    for (const BodyRow &body : bodies) {
        if (!among(before, body.port) && !isReading(body.port))
            read({ body });
    }
    for (const BodyRow &body : before) {
        if (!among(bodies, body.port))
            emit unplugged(body);
    }
}

WorkerPool *BodyEngine::poolFor(bool setClock, int bodies)
{
    WorkerPool *&pool = setClock ? clockSetting : plain;
    if (pool)
        return pool;
    QStringList arguments;
    if (!reading_.extras.isEmpty())
        arguments << QStringLiteral("--read") << reading_.extras.join(QLatin1Char(','));
    if (setClock)
        arguments << QStringLiteral("--set-clock");
    const int jobs = reading_.jobs > 0 ? reading_.jobs
        : watching                     ? maxJobs
                                       : std::min(std::max(bodies, 1), maxJobs);
    pool = new WorkerPool(worker, arguments, jobs, reading_.timeoutMs, this);
    connect(pool, &WorkerPool::read, this, &BodyEngine::row);
    connect(pool, &WorkerPool::said, this, &BodyEngine::said);
    connect(pool, &WorkerPool::idle, this, [this] {
        if (isIdle())
            emit idle();
    });
    return pool;
}

void BodyEngine::read(const QVector<BodyRow> &bodies, bool setClock)
{
    if (stopping)
        return;
    WorkerPool *pool = poolFor(setClock || reading_.setClock, bodies.size());
    for (const BodyRow &body : bodies) {
        emit reading(body);
        pool->add(body);
    }
}

void BodyEngine::watch()
{
    watching = true;
    poolFor(reading_.setClock, maxJobs);
    lookTimer.start(lookIntervalMs);
    look();
}

void BodyEngine::readAgain(bool setClock)
{
    QVector<BodyRow> bodies;
    for (const BodyRow &body : qAsConst(present)) {
        if (!isReading(body.port))
            bodies << body;
    }
    read(bodies, setClock);
}

bool BodyEngine::isReading(const QString &port) const
{
    return (plain && plain->isReading(port)) || (clockSetting && clockSetting->isReading(port));
}

bool BodyEngine::isIdle() const
{
    return (!plain || plain->isIdle()) && (!clockSetting || clockSetting->isIdle())
        && (!stopping || !finderProcess);
}

void BodyEngine::stop()
{
    const bool again = stopping;
    stopping = true;
    lookTimer.stop();
    if (finderProcess) {
        if (again) {
            finderProcess->kill();
        } else {
            // Its input closing is what reaches a worker on every system.
            finderProcess->closeWriteChannel();
            finderProcess->terminate();
            QTimer::singleShot(kFinderGraceMs, finderProcess, &QProcess::kill);
        }
    }
    for (WorkerPool *pool : { plain, clockSetting }) {
        if (pool)
            pool->stop();
    }
    if (!plain && !clockSetting && isIdle())
        emit idle();
}
