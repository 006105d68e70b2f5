#include "engine/bodyengine.h"

#include "engine/finder.h"
#include "engine/usblocations.h"
#include "engine/workerpool.h"

#include <algorithm>
#include <utility>

BodyEngine::BodyEngine(QString worker, Finder *finder, ReadPlan plan, QObject *parent)
    : QObject(parent)
    , worker(std::move(worker))
    , finder(finder)
    , plan(std::move(plan))
{
    finder->setParent(this);
    connect(finder, &Finder::found, this, &BodyEngine::found);
    connect(finder, &Finder::idle, this, &BodyEngine::idleIfDone);
    connect(&lookTimer, &QTimer::timeout, this, &BodyEngine::look);
}

BodyEngine::~BodyEngine() = default;

EdsError BodyEngine::start()
{
    return finder->start();
}

void BodyEngine::stopFinding()
{
    finder->stop();
}

void BodyEngine::look()
{
    if (!stopping)
        finder->look();
}

void BodyEngine::found(QVector<BodyRow> bodies, EdsError error)
{
    if (error != EDS_ERR_OK) {
        if (watching && error != lookError)
            emit lookFailed(error);
        lookError = error;
        return;
    }
    const UsbLocations locations;
    for (BodyRow &body : bodies)
        body.location = locations.of(body.port);
    if (watching && lookError != EDS_ERR_OK)
        emit lookRecovered();
    lookError = EDS_ERR_OK;
    const QVector<BodyRow> before = std::exchange(present, bodies);
    emit looked(present);
    if (!watching)
        return;
    const auto among = [](const QVector<BodyRow> &rows, const QString &port) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const BodyRow &row) { return row.port == port; });
    };
    // Each body seen for the first time since it was last missing is read.
    for (const BodyRow &body : qAsConst(bodies)) {
        if (!among(before, body.port) && !isReading(body.port))
            readBodies({ body });
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
    if (!plan.extras.isEmpty())
        arguments << QStringLiteral("--read") << plan.extras.join(QLatin1Char(','));
    if (setClock)
        arguments << QStringLiteral("--set-clock");
    const int jobs = plan.jobs > 0 ? plan.jobs
        : watching                 ? EngineDefaults::jobs
                                   : std::min(std::max(bodies, 1), EngineDefaults::jobs);
    pool = new WorkerPool(worker, arguments, jobs, plan.timeoutMs, this);
    pool->setInterrupted(interrupted);
    connect(pool, &WorkerPool::rowRead, this, &BodyEngine::rowRead);
    connect(pool, &WorkerPool::libraryMessage, this, &BodyEngine::libraryMessage);
    connect(pool, &WorkerPool::idle, this, &BodyEngine::idleIfDone);
    return pool;
}

void BodyEngine::setInterrupted(std::function<bool()> asked)
{
    interrupted = std::move(asked);
    for (WorkerPool *pool : { plain, clockSetting }) {
        if (pool)
            pool->setInterrupted(interrupted);
    }
}

void BodyEngine::readBodies(const QVector<BodyRow> &bodies, bool setClock)
{
    if (stopping)
        return;
    WorkerPool *pool = poolFor(setClock || plan.setClock, bodies.size());
    for (const BodyRow &body : bodies) {
        emit bodyQueued(body);
        pool->add(body);
    }
}

void BodyEngine::watch()
{
    watching = true;
    poolFor(plan.setClock, EngineDefaults::jobs);
    lookTimer.start(EngineDefaults::lookIntervalMs);
    look();
}

void BodyEngine::readAgain(bool setClock)
{
    QVector<BodyRow> bodies;
    for (const BodyRow &body : qAsConst(present)) {
        if (!isReading(body.port))
            bodies << body;
    }
    readBodies(bodies, setClock);
}

bool BodyEngine::isReading(const QString &port) const
{
    return (plain && plain->isReading(port)) || (clockSetting && clockSetting->isReading(port));
}

bool BodyEngine::isIdle() const
{
    return (!plain || plain->isIdle()) && (!clockSetting || clockSetting->isIdle())
        && (!stopping || finder->isIdle());
}

void BodyEngine::idleIfDone()
{
    if (isIdle())
        emit idle();
}

void BodyEngine::stop()
{
    stopping = true;
    lookTimer.stop();
    finder->stop();
    for (WorkerPool *pool : { plain, clockSetting }) {
        if (pool)
            pool->stop();
    }
    if (!plain && !clockSetting && isIdle())
        emit idle();
}
