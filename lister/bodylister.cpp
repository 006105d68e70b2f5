#include "lister/bodylister.h"

#include "engine/sdkfinder.h"
#include "lister/listerlines.h"
#include "lister/stopsignals.h"
#include "worker/exitstatus.h"
#include "worker/stoprequests.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

using ListerLines::say;

QString hex(EdsError error)
{
    return QStringLiteral("0x%1").arg(error, 0, 16);
}

} // namespace

BodyLister::BodyLister(const ListOptions &options, QString worker, QObject *parent)
    : QObject(parent)
    , options(options)
    , printer(options.format, stdout, options.fields)
    , engine(std::move(worker), new SdkFinder,
             { options.extras(), options.jobs, options.timeoutMs, options.setClock })
{
    check.minBattery = options.minBattery;
    check.minShots = options.minShots;
    // Ctrl+C reaches the workers as it reaches us, and one may end before we
    // hear of it.
    engine.setInterrupted([] { return StopRequests::caught() != 0; });
    connect(&engine, &BodyEngine::libraryMessage, this,
            [this](const QString &port, const QByteArray &line) {
                if (this->options.verbose)
                    std::fprintf(stderr, "%s: %s\n", qPrintable(port), line.constData());
            });
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
            return ExitStatus::badUsage;
        }
    }
    if (engine.start() != EDS_ERR_OK) {
        say(QStringLiteral("the camera library could not be started"));
        return ExitStatus::sdkUnavailable;
    }
    return options.watch ? watch() : listOnce();
}

int BodyLister::listOnce()
{
    engine.look();
    const EdsError error = engine.lastLookError();
    const QVector<BodyRow> found = engine.attached();
    // The workers start SDKs of their own; this one is not needed any more.
    engine.stopFinding();
    if (error != EDS_ERR_OK) {
        say(QStringLiteral("the camera library could not list the cameras (error %1)")
                .arg(hex(error)));
        return ExitStatus::sdkUnavailable;
    }
    // Stopped while the bodies were being found: no worker is started.
    if (const int signal = StopRequests::caught()) {
        say(QStringLiteral("stopped before any body was read"));
        printer.printAll({});
        return ExitStatus::stoppedBy(signal);
    }
    if (found.isEmpty()) {
        say(QStringLiteral("no camera found; check that each camera is switched on, "
                           "connected, and not held by another program"));
        printer.printAll({});
        return ExitStatus::noneFound;
    }

    QVector<BodyRow> rows;
    QEventLoop loop;
    connect(&engine, &BodyEngine::rowRead, &loop, [&rows](const BodyRow &row) { rows << row; });
    connect(&engine, &BodyEngine::idle, &loop, &QEventLoop::quit);
    engine.readBodies(found);
    if (!engine.isIdle() && stopSignal == 0)
        loop.exec();

    for (BodyRow &row : rows)
        check.apply(row);
    if (stopSignal == 0)
        rows += check.missing(rows);
    sortByLocation(rows);
    if (!printer.printAll(rows)) {
        say(QStringLiteral("the rows could not be written"));
        return ExitStatus::someFailed;
    }
    const int failed = int(
        std::count_if(rows.begin(), rows.end(), [](const BodyRow &row) { return !row.wasRead(); }));
    if (stopSignal != 0) {
        say(QStringLiteral("stopped after %1 of %2 bodies").arg(rows.size()).arg(found.size()));
        return ExitStatus::stoppedBy(stopSignal);
    }
    // With a roster or a threshold, one line says everything that is wrong.
    if (check.roster || check.minBattery || check.minShots) {
        const QString trouble = BodyCheck::summary(rows);
        if (trouble.isEmpty())
            return 0;
        say(trouble);
        return ExitStatus::someFailed;
    }
    if (failed > 0) {
        say(QStringLiteral("%1 of %2 bodies could not be read").arg(failed).arg(rows.size()));
        return ExitStatus::someFailed;
    }
    return 0;
}

int BodyLister::watch()
{
    QEventLoop loop;
    connect(&engine, &BodyEngine::rowRead, this, [this](BodyRow row) {
        check.apply(row);
        // At a counter, a body that is not ours is told at once.
        if (row.has(Finding::Kind::Unknown))
            say(QStringLiteral("unknown body %1 at %2").arg(row.bodyId, placeOf(row)));
        if (publisher)
            publisher->put(row);
        if (!printFailed && !printer.printOne(row)) {
            printFailed = true;
            say(QStringLiteral("the rows could not be written"));
            stop(15);
        }
    });
    connect(&engine, &BodyEngine::idle, &loop, [this, &loop] {
        if (stopSignal != 0)
            loop.quit();
    });
    connect(&engine, &BodyEngine::lookFailed, this, [](EdsError error) {
        say(QStringLiteral("the camera library could not list the cameras (error %1); "
                           "trying again")
                .arg(hex(error)));
    });
    // A script that started us ends the watch by closing our input.
    StopRequests::stopAtEndOfInput(StopSignals::interrupt);

    if (!printer.printHeader()) {
        say(QStringLiteral("the rows could not be written"));
        return ExitStatus::someFailed;
    }
    if (options.broker == ListOptions::Broker::Publish)
        startPublishing();
    engine.watch();
    if (stopSignal == 0 || !engine.isIdle())
        loop.exec();
    engine.stopFinding();
    finishPublishing();
    if (brokerStatus != 0)
        return brokerStatus;
    if (printFailed)
        return ExitStatus::someFailed;
    return stopSignal == StopSignals::interrupt ? 0 : ExitStatus::stoppedBy(stopSignal);
}

void BodyLister::startPublishing()
{
    const HostTopics topics(options.topicPrefix);
    BrokerClient::Settings settings = options.brokerSettings;
    // One connection per host: a second agent under the same name takes over.
    settings.clientId = QStringLiteral("sarvolin-%1").arg(options.hostName);
    settings.willTopic = topics.state(options.hostName);
    settings.willPayload = HostPublisher::lastWill();
    client = new BrokerClient(settings, this);
    publisher
        = new HostPublisher(client, topics, options.hostName, options.fields,
                            QCoreApplication::applicationVersion(), options.acceptCommands, this);
    connect(&engine, &BodyEngine::unplugged, publisher, &HostPublisher::remove);
    connect(&engine, &BodyEngine::looked, publisher, &HostPublisher::attached);
    connect(publisher, &HostPublisher::command, this, [this](HostPayload::Command command) {
        const bool setClock = command == HostPayload::Command::SetClock;
        say(setClock ? QStringLiteral("setting every body's clock, as the broker asks")
                     : QStringLiteral("reading every body again, as the broker asks"));
        engine.readAgain(setClock);
    });
    connect(publisher, &HostPublisher::notice, this, [](const QString &line) { say(line); });
    connect(client, &BrokerClient::connected, this, [this] {
        say(QStringLiteral("publishing to %1 as %2").arg(client->name(), options.hostName));
    });
    connect(client, &BrokerClient::retrying, this, [this](const QString &reason, int delayMs) {
        say(ListerLines::retrying(*client, reason, delayMs));
    });
    connect(client, &BrokerClient::refused, this, [this](const QString &reason) {
        say(ListerLines::refused(*client, reason));
        brokerStatus = ExitStatus::brokerRefused;
        stop(15);
    });
    QString error;
    if (!client->open(error)) {
        say(QStringLiteral("the broker %1: %2").arg(client->name(), error));
        brokerStatus = ExitStatus::badUsage;
        stop(15);
    }
}

// The host is said to be offline before the connection ends, so that the
// broker does not send its Will.
void BodyLister::finishPublishing()
{
    if (!publisher || brokerStatus != 0)
        return;
    QEventLoop loop;
    bool done = false;
    connect(publisher, &HostPublisher::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    // A broker that takes nothing more does not hold the stop up for long.
    QTimer::singleShot(2 * HostPublisher::finishMs, &loop, &QEventLoop::quit);
    publisher->finish();
    if (!done)
        loop.exec();
}

void BodyLister::stop(int signal)
{
    if (stopSignal == 0)
        stopSignal = signal;
    engine.stop();
}
