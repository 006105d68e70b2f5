#include "lister/brokerlister.h"

#include "engine/bodyfield.h"
#include "lister/listerlines.h"
#include "lister/stopsignals.h"
#include "worker/exitstatus.h"
#include "worker/stoprequests.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace {

using ListerLines::say;

} // namespace

BrokerLister::BrokerLister(const ListOptions &options, QObject *parent)
    : QObject(parent)
    , options(options)
    , client(options.brokerSettings)
    , reader(&client, HostTopics(options.topicPrefix))
{
    check.minBattery = options.minBattery;
    check.minShots = options.minShots;
}

int BrokerLister::run()
{
    if (!options.expect.isEmpty()) {
        QString error;
        check.roster.emplace();
        if (!check.roster->load(options.expect, error)) {
            say(QStringLiteral("the roster cannot be used: %1").arg(error));
            return ExitStatus::badUsage;
        }
    }
    QEventLoop loop;
    auto *stopSignals = new StopSignals(this);
    connect(stopSignals, &StopSignals::received, this, [this](int signal) {
        end(signal == StopSignals::interrupt && options.watch ? 0 : ExitStatus::stoppedBy(signal));
    });
    connect(&client, &BrokerClient::retrying, this, [this](const QString &reason, int delayMs) {
        lastFailure = reason;
        // Once watching, every try is told; before, only a failure to connect at all is.
        if (reader.isComplete() || options.watch)
            say(ListerLines::retrying(client, reason, delayMs));
    });
    connect(&client, &BrokerClient::refused, this, [this](const QString &reason) {
        say(ListerLines::refused(client, reason));
        end(ExitStatus::brokerRefused);
    });
    connect(&reader, &HostReader::warning, this, [](const QString &text) { say(text); });
    connect(&reader, &HostReader::complete, this, &BrokerLister::printPicture);
    connect(&reader, &HostReader::bodyChanged, this, &BrokerLister::printChange);
    connect(&reader, &HostReader::bodyGone, this, [](const BodyRow &row) {
        say(QStringLiteral("%1: body %2 at %3 is gone").arg(row.host, row.bodyId, placeOf(row)));
    });
    connect(&reader, &HostReader::hostChanged, this, [this](const QString &name) {
        const HostReader::Host host = reader.hosts().value(name);
        say(QStringLiteral("%1: %2").arg(name, HostReader::stateOf(host)));
        for (const BodyRow &row : reader.rows()) {
            if (row.host == name)
                printChange(row);
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] {
        if (reader.isComplete())
            return;
        say(QStringLiteral("the broker %1 cannot be reached within %2 s: %3")
                .arg(client.name())
                .arg(options.connectTimeoutMs / 1000.0)
                .arg(lastFailure.isEmpty() ? QStringLiteral("no answer") : lastFailure));
        end(ExitStatus::sdkUnavailable);
    });

    QString error;
    if (!client.open(error)) {
        say(QStringLiteral("the broker %1: %2").arg(client.name(), error));
        return ExitStatus::badUsage;
    }
    if (options.watch)
        StopRequests::stopAtEndOfInput(StopSignals::interrupt);
    deadline.start(options.connectTimeoutMs);
    running = &loop;
    if (status < 0)
        loop.exec();
    running = nullptr;
    client.close();
    return status;
}

BodyRow BrokerLister::checked(BodyRow row) const
{
    check.apply(row);
    return row;
}

QVector<BodyRow> BrokerLister::checkedRows()
{
    QVector<BodyRow> rows = reader.rows();
    for (BodyRow &row : rows)
        row = checked(row);
    rows += check.missing(rows);
    sortByLocation(rows);
    return rows;
}

void BrokerLister::printPicture()
{
    if (printer && !options.watch)
        return;
    const QVector<BodyRow> rows = checkedRows();
    QStringList fields = options.fields;
    // Whenever a host is down, its rows say so.
    const bool anyDown
        = std::any_of(rows.begin(), rows.end(), [](const BodyRow &row) { return row.hostDown(); });
    if ((anyDown || options.watch) && !fields.contains(QLatin1String("check")))
        fields << QStringLiteral("check");
    fields.prepend(QLatin1String(BodyField::hostKey));
    if (!printer) {
        printer = std::make_unique<RowPrinter>(options.format, stdout, fields);
        if (options.watch && !printer->printHeader())
            printFailed = true;
    }
    if (options.watch) {
        for (const BodyRow &row : rows) {
            if (!printFailed && !printer->printOne(row))
                printFailed = true;
        }
        if (printFailed) {
            say(QStringLiteral("the rows could not be written"));
            end(ExitStatus::someFailed);
        }
        return;
    }
    if (!printer->printAll(rows)) {
        say(QStringLiteral("the rows could not be written"));
        end(ExitStatus::someFailed);
        return;
    }
    end(statusOf(rows));
}

void BrokerLister::printChange(BodyRow row)
{
    if (!options.watch || !printer)
        return;
    row = checked(row);
    if (row.has(Finding::Kind::Unknown))
        say(QStringLiteral("unknown body %1 at %2 on %3").arg(row.bodyId, placeOf(row), row.host));
    if (!printFailed && !printer->printOne(row)) {
        printFailed = true;
        say(QStringLiteral("the rows could not be written"));
        end(ExitStatus::someFailed);
    }
}

int BrokerLister::statusOf(const QVector<BodyRow> &rows)
{
    if (rows.isEmpty()) {
        say(QStringLiteral("no body on the broker %1 under %2/")
                .arg(client.name(), options.topicPrefix));
        return ExitStatus::noneFound;
    }
    const QString trouble = BodyCheck::summary(rows);
    if (trouble.isEmpty())
        return 0;
    const int failed = int(
        std::count_if(rows.begin(), rows.end(), [](const BodyRow &row) { return !row.wasRead(); }));
    // Where nothing but the reads is checked, a failure is told as here.
    if (!check.roster && !check.minBattery && !check.minShots
        && trouble == QStringLiteral("%1 failed").arg(failed))
        say(QStringLiteral("%1 of %2 bodies could not be read").arg(failed).arg(rows.size()));
    else
        say(trouble);
    return ExitStatus::someFailed;
}

void BrokerLister::end(int code)
{
    if (status >= 0)
        return;
    status = code;
    if (running)
        running->quit();
}
