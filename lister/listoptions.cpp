#include "lister/listoptions.h"

#include "engine/enginedefaults.h"
#include "worker/exitstatus.h"

#include "broker/brokeroptions.h"
#include "broker/hosttopics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QString description()
{
    return QStringLiteral(
               "Reads the body IDs of all attached cameras, each in a worker process of its own, "
               "all at once, and with --fields more of each body.\n"
               "Exit status: 0 every body was read (and, with --expect or a threshold, all is as "
               "it should be),\n"
               "%1 at least one body failed (or is missing, moved, unknown or short of a "
               "threshold),\n"
               "%2 no body was found, %3 bad usage or a roster that cannot be used,\n"
               "%4 the camera library could not be used, %5/%6 interrupted.\n"
               "With a broker: %1 also a host lost or offline, %2 no body on any host, %3 also "
               "a URL or file that cannot be used,\n"
               "%4 the broker cannot be reached, %7 the broker refused our credentials or "
               "a publication.")
        .arg(ExitStatus::someFailed)
        .arg(ExitStatus::noneFound)
        .arg(ExitStatus::badUsage)
        .arg(ExitStatus::sdkUnavailable)
        .arg(ExitStatus::stoppedBy(2)) // SIGINT
        .arg(ExitStatus::stoppedBy(15)) // SIGTERM
        .arg(ExitStatus::brokerRefused);
}

// A time in seconds, as milliseconds, where the option is given.
bool takeSeconds(const QCommandLineParser &parser, const QString &name, int &ms, QString &error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double seconds = parser.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > EngineDefaults::mostTimeoutS) {
        error = QStringLiteral("--%1 takes a number of seconds above 0, up to %2")
                    .arg(name)
                    .arg(EngineDefaults::mostTimeoutS);
        return false;
    }
    ms = std::max(1, int(std::lround(seconds * 1000)));
    return true;
}

bool parseBroker(const QCommandLineParser &parser, ListOptions &options, QString &error)
{
    using Broker = ListOptions::Broker;
    const bool publish = parser.isSet(QStringLiteral("publish"));
    const bool from = parser.isSet(QStringLiteral("from"));
    if (publish && from) {
        error = QStringLiteral("--publish and --from exclude each other");
        return false;
    }
    options.broker = publish ? Broker::Publish : from ? Broker::From : Broker::None;
    const QStringList brokerOnly
        = { QStringLiteral("topic-prefix"),    QStringLiteral("host-name"),
            QStringLiteral("accept-commands"), QStringLiteral("password-file"),
            QStringLiteral("ca-file"),         QStringLiteral("cert-file"),
            QStringLiteral("key-file"),        QStringLiteral("connect-timeout"),
            QStringLiteral("keepalive") };
    if (options.broker == Broker::None) {
        for (const QString &name : brokerOnly) {
            if (parser.isSet(name)) {
                error = QStringLiteral("--%1 goes with --publish or --from").arg(name);
                return false;
            }
        }
        return true;
    }
    const QStringList localOnly = from
        ? QStringList { QStringLiteral("jobs"),      QStringLiteral("timeout"),
                        QStringLiteral("set-clock"), QStringLiteral("verbose"),
                        QStringLiteral("host-name"), QStringLiteral("accept-commands") }
        : QStringList { QStringLiteral("expect"), QStringLiteral("connect-timeout") };
    for (const QString &name : localOnly) {
        if (parser.isSet(name)) {
            error = QStringLiteral("--%1 does not go with --%2")
                        .arg(name, from ? QStringLiteral("from") : QStringLiteral("publish"));
            return false;
        }
    }
    if (!BrokerOptions::read(
            parser, parser.value(publish ? QStringLiteral("publish") : QStringLiteral("from")),
            options.brokerSettings, options.topicPrefix, error))
        return false;
    if (!takeSeconds(parser, QStringLiteral("connect-timeout"), options.connectTimeoutMs, error))
        return false;
    QString why;
    options.acceptCommands = parser.isSet(QStringLiteral("accept-commands"));
    if (publish) {
        options.hostName = parser.isSet(QStringLiteral("host-name"))
            ? parser.value(QStringLiteral("host-name"))
            : QSysInfo::machineHostName();
        if (!HostTopics::usable(options.hostName, false, why)) {
            error
                = QStringLiteral("the host name '%1' cannot be used: %2; give one with --host-name")
                      .arg(options.hostName, why);
            return false;
        }
        options.watch = true;
    }
    return true;
}

} // namespace

QStringList ListOptions::extras() const
{
    QStringList wanted = fields;
    if (minBattery)
        wanted << QStringLiteral("battery");
    if (minShots)
        wanted << QStringLiteral("shots");
    return BodyField::readsOf(wanted);
}

ListOptions::Parsed ListOptions::parse(const QStringList &arguments, ListOptions &options,
                                       QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Print CSV (RFC 4180) with a header line."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print a JSON array of objects; with --watch, "
                                                 "one object per line."));
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   QStringLiteral("Keep looking every %1 s and print each body "
                                                  "as soon as it is plugged in and read.")
                                       .arg(EngineDefaults::lookIntervalMs / 1000.0));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("Read at most <n> bodies at once (default: "
                                                 "all, up to %1).")
                                      .arg(EngineDefaults::jobs),
                                  QStringLiteral("n"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Give up on a body after <seconds> "
                                                    "(default: %1).")
                                         .arg(EngineDefaults::timeoutMs / 1000),
                                     QStringLiteral("seconds"));
    const QCommandLineOption fields(
        QStringLiteral("fields"),
        QStringLiteral("Print these fields, in this order, or 'all' of them: %1. Default: "
                       "%2, and what --expect, the thresholds and --set-clock are about.")
            .arg(BodyField::keys().join(QLatin1Char(',')),
                 BodyField::defaultKeys().join(QLatin1Char(','))),
        QStringLiteral("list"));
    const QCommandLineOption expect(
        QStringLiteral("expect"),
        QStringLiteral("Check the bodies against a roster: a CSV file with a body_id column, "
                       "and location and name where wanted (this program's --csv output is "
                       "one). Adds the name and check fields."),
        QStringLiteral("file"));
    const QCommandLineOption minBattery(QStringLiteral("min-battery"),
                                        QStringLiteral("A body with less battery, or none "
                                                       "known, fails its check."),
                                        QStringLiteral("percent"));
    const QCommandLineOption minShots(QStringLiteral("min-shots"),
                                      QStringLiteral("A body with room for fewer pictures, or "
                                                     "none known, fails its check."),
                                      QStringLiteral("n"));
    const QCommandLineOption setClock(QStringLiteral("set-clock"),
                                      QStringLiteral("Set every body's clock to this computer's "
                                                     "local time, and read it back. The only "
                                                     "setting this program ever writes."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Pass on the camera library's own messages, "
                                                    "each line after its body's port."));
    const QCommandLineOption publish(
        QStringLiteral("publish"),
        QStringLiteral("Watch as --watch does, and publish this computer's bodies to the MQTT "
                       "broker at <url>, mqtt://[user@]host[:port] or mqtts://…; what is read "
                       "and published is every field unless --fields says otherwise."),
        QStringLiteral("url"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Print every body of every host that publishes "
                                                 "to the MQTT broker at <url>, host first."),
                                  QStringLiteral("url"));
    using BrokerOptions::Option;
    const QCommandLineOption topicPrefix = BrokerOptions::option(Option::TopicPrefix);
    const QCommandLineOption hostName(QStringLiteral("host-name"),
                                      QStringLiteral("This computer's name on the broker "
                                                     "(default: its host name)."),
                                      QStringLiteral("name"));
    const QCommandLineOption acceptCommands(
        QStringLiteral("accept-commands"),
        QStringLiteral("With --publish, read the bodies again, or set their clocks, when the "
                       "broker brings such a command for this host."));
    const QCommandLineOption passwordFile = BrokerOptions::option(Option::PasswordFile);
    const QCommandLineOption caFile = BrokerOptions::option(Option::CaFile);
    const QCommandLineOption certFile = BrokerOptions::option(Option::CertFile);
    const QCommandLineOption keyFile = BrokerOptions::option(Option::KeyFile);
    const QCommandLineOption connectTimeout(
        QStringLiteral("connect-timeout"),
        QStringLiteral("With --from, give up when the broker has not answered within "
                       "<seconds> (default: %1).")
            .arg(ListOptions {}.connectTimeoutMs / 1000),
        QStringLiteral("seconds"));
    const QCommandLineOption keepalive = BrokerOptions::option(Option::Keepalive);
    parser.addOptions(
        { csv,      json,        watch,          jobs,           timeout,      fields,
          expect,   minBattery,  minShots,       setClock,       verbose,      publish,
          from,     topicPrefix, hostName,       acceptCommands, passwordFile, caFile,
          certFile, keyFile,     connectTimeout, keepalive });

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return Parsed::BadUsage;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return Parsed::Exit;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return Parsed::Exit;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error
            = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return Parsed::BadUsage;
    }
    if (parser.isSet(csv) && parser.isSet(json)) {
        error = QStringLiteral("--csv and --json exclude each other");
        return Parsed::BadUsage;
    }
    options.format = parser.isSet(csv) ? RowPrinter::Format::Csv
        : parser.isSet(json)           ? RowPrinter::Format::Json
                                       : RowPrinter::Format::Table;
    options.watch = parser.isSet(watch);

    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > EngineDefaults::mostJobs) {
            error = QStringLiteral("--jobs takes a whole number from 1 to %1")
                        .arg(EngineDefaults::mostJobs);
            return Parsed::BadUsage;
        }
    }
    if (!takeSeconds(parser, timeout.names().first(), options.timeoutMs, error))
        return Parsed::BadUsage;
    if (parser.isSet(minBattery)) {
        bool ok = false;
        const int percent = parser.value(minBattery).toInt(&ok);
        if (!ok || percent < 0 || percent > 100) {
            error = QStringLiteral("--min-battery takes a percentage from 0 to 100");
            return Parsed::BadUsage;
        }
        options.minBattery = percent;
    }
    if (parser.isSet(minShots)) {
        bool ok = false;
        const qint64 shots = parser.value(minShots).toLongLong(&ok);
        if (!ok || shots < 0 || shots > 0xFFFFFFFFLL) {
            error = QStringLiteral("--min-shots takes a whole number of pictures, 0 or more");
            return Parsed::BadUsage;
        }
        options.minShots = shots;
    }
    options.expect = parser.value(expect);
    if (parser.isSet(expect) && options.expect.isEmpty()) {
        error = QStringLiteral("--expect takes a file");
        return Parsed::BadUsage;
    }
    options.setClock = parser.isSet(setClock);
    options.verbose = parser.isSet(verbose);

    if (!parseBroker(parser, options, error))
        return Parsed::BadUsage;

    const QStringList known = BodyField::keys();
    if (parser.isSet(fields)) {
        const QString list = parser.value(fields).trimmed();
        options.fields = list == QLatin1String("all") ? known : QStringList();
        if (options.fields.isEmpty()) {
            for (const QString &field : list.split(QLatin1Char(','))) {
                const QString name = field.trimmed();
                if (!known.contains(name)) {
                    error = QStringLiteral("unknown field '%1'; the fields are all, %2")
                                .arg(name, known.join(QLatin1Char(',')));
                    return Parsed::BadUsage;
                }
                options.fields << name;
            }
        }
    } else if (options.broker == Broker::Publish) {
        options.fields = known;
    } else {
        if (parser.isSet(expect))
            options.fields << QStringLiteral("name");
        if (parser.isSet(expect) || options.minBattery || options.minShots)
            options.fields << QStringLiteral("check");
        if (options.minBattery)
            options.fields << QStringLiteral("battery");
        if (options.minShots)
            options.fields << QStringLiteral("shots");
        if (options.setClock)
            options.fields << QStringLiteral("clock_offset_s");
    }
    return Parsed::Run;
}
