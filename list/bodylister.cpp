#include "list/bodylister.h"

#include "list/stoprequests.h"
#include "list/stopsignals.h"
#include "list/usblocations.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr int kLookIntervalMs = 500;
constexpr int kInterrupted = 2; // SIGINT

void say(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
}

QString hex(EdsError error)
{
    return QStringLiteral("0x%1").arg(error, 0, 16);
}

} // namespace

BodyLister::BodyLister(const ListOptions &options, QString worker, QObject *parent)
    : QObject(parent)
    , options(options)
    , worker(std::move(worker))
    , printer(options.format, stdout, options.fields)
{
    check.minBattery = options.minBattery;
    check.minShots = options.minShots;
}

WorkerPool *BodyLister::makePool(int jobs)
{
    QStringList arguments;
    const QStringList extras = options.extras();
    if (!extras.isEmpty())
        arguments << QStringLiteral("--read") << extras.join(QLatin1Char(','));
    if (options.setClock)
        arguments << QStringLiteral("--set-clock");
    auto *pool = new WorkerPool(worker, arguments, jobs, options.timeoutMs, this);
    connect(pool, &WorkerPool::said, this, [this](const QString &port, const QByteArray &line) {
        if (this->options.verbose)
            std::fprintf(stderr, "%s: %s\n", qPrintable(port), line.constData());
    });
    return pool;
}

int BodyLister::run()
{
    auto *stopSignals = new StopSignals(this);
    connect(stopSignals, &StopSignals::received, this, &BodyLister::stop);
    // A roster that cannot be used is refused before any body is touched.
    if (!options.expect.isEmpty()) {
        QString error;
        check.roster.emplace();
        if (!check.roster->load(options.expect, error)) {
            say(QStringLiteral("the roster cannot be used: %1").arg(error));
            return BadUsage;
        }
    }
    if (finder.start() != EDS_ERR_OK) {
        say(QStringLiteral("the camera library could not be started"));
        return SdkUnavailable;
    }
    return options.watch ? watch() : listOnce();
}

QVector<BodyRow> BodyLister::findNow(EdsError &error)
{
    QVector<BodyRow> found;
    error = finder.find(found);
    const UsbLocations locations;
    for (BodyRow &row : found)
        row.location = locations.of(row.port);
    return found;
}

int BodyLister::listOnce()
{
    EdsError error = EDS_ERR_OK;
    const QVector<BodyRow> found = findNow(error);
    // The workers start SDKs of their own; this one is not needed any more.
    finder.stop();
    if (error != EDS_ERR_OK) {
        say(QStringLiteral("the camera library could not list the cameras (error %1)")
                .arg(hex(error)));
        return SdkUnavailable;
    }
    // Stopped while the bodies were being found: no worker is started.
    if (const int signal = StopRequests::caught()) {
        say(QStringLiteral("stopped before any body was read"));
        printer.printAll({});
        return 128 + signal;
    }
    if (found.isEmpty()) {
        say(QStringLiteral("no camera found; check that each camera is switched on, "
                           "connected, and not held by another program"));
        printer.printAll({});
        return NoneFound;
    }

    const int jobs = options.jobs > 0 ? options.jobs
                                      : std::min<int>(found.size(), ListOptions::maxDefaultJobs);
    pool = makePool(jobs);
    QVector<BodyRow> rows;
    QEventLoop loop;
    connect(pool, &WorkerPool::read, &loop, [&rows](const BodyRow &row) { rows << row; });
    connect(pool, &WorkerPool::idle, &loop, &QEventLoop::quit);
    for (const BodyRow &body : found)
        pool->add(body);
    if (!pool->isIdle() && stopSignal == 0)
        loop.exec();

    for (BodyRow &row : rows)
        check.apply(row);
    if (stopSignal == 0)
        rows += check.missing(rows);
    sortByLocation(rows);
    if (!printer.printAll(rows)) {
        say(QStringLiteral("the rows could not be written"));
        return SomeFailed;
    }
    const int failed = int(std::count_if(rows.begin(), rows.end(),
                                         [](const BodyRow &row) { return !row.error.isEmpty(); }));
    if (stopSignal != 0) {
        say(QStringLiteral("stopped after %1 of %2 bodies").arg(rows.size()).arg(found.size()));
        return 128 + stopSignal;
    }
    // With a roster or a threshold, one line says everything that is wrong.
    if (check.roster || check.minBattery || check.minShots) {
        const QString trouble = BodyCheck::summary(rows);
        if (trouble.isEmpty())
            return 0;
        say(trouble);
        return SomeFailed;
    }
    if (failed > 0) {
        say(QStringLiteral("%1 of %2 bodies could not be read").arg(failed).arg(rows.size()));
        return SomeFailed;
    }
    return 0;
}

int BodyLister::watch()
{
    pool = makePool(options.jobs > 0 ? options.jobs : ListOptions::maxDefaultJobs);
    QEventLoop loop;
    connect(pool, &WorkerPool::read, this, [this](BodyRow row) {
        check.apply(row);
        // At a counter, a body that is not ours is told at once.
        if (row.check.section(QStringLiteral("; "), 0, 0) == QLatin1String(BodyCheck::unknown))
            say(QStringLiteral("unknown body %1 at %2").arg(row.bodyId, placeOf(row)));
        if (!printFailed && !printer.printOne(row)) {
            printFailed = true;
            say(QStringLiteral("the rows could not be written"));
            stop(15);
        }
    });
    connect(pool, &WorkerPool::idle, &loop, [this, &loop] {
        if (stopSignal != 0)
            loop.quit();
    });
    connect(&lookTimer, &QTimer::timeout, this, &BodyLister::look);
    // A script that started us ends the watch by closing our input.
    StopRequests::stopAtEndOfInput(kInterrupted);

    if (!printer.printHeader()) {
        say(QStringLiteral("the rows could not be written"));
        return SomeFailed;
    }
    lookTimer.start(kLookIntervalMs);
    look();
    if (stopSignal == 0 || !pool->isIdle())
        loop.exec();
    finder.stop();
    if (printFailed)
        return SomeFailed;
    return stopSignal == kInterrupted ? 0 : 128 + stopSignal;
}

// Each port seen for the first time since it was last missing is read.
void BodyLister::look()
{
    EdsError error = EDS_ERR_OK;
    const QVector<BodyRow> found = findNow(error);
    if (error != EDS_ERR_OK) {
        if (error != lastLookError)
            say(QStringLiteral("the camera library could not list the cameras (error %1); "
                               "trying again")
                    .arg(hex(error)));
        lastLookError = error;
        return;
    }
    lastLookError = EDS_ERR_OK;
    QSet<QString> now;
    for (const BodyRow &body : found) {
        now.insert(body.port);
        if (!present.contains(body.port) && !pool->isReading(body.port))
            pool->add(body);
    }
    present = now;
}

void BodyLister::stop(int signal)
{
    if (stopSignal == 0)
        stopSignal = signal;
    lookTimer.stop();
    if (pool)
        pool->stop();
}
