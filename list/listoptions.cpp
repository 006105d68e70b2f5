#include "list/listoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxJobs = 1024;
constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;

const char kDescription[] = "Reads the body IDs of all attached cameras, each in a worker "
                            "process of its own, all at once.\n"
                            "Exit status: 0 every body was read, 1 at least one body failed, "
                            "2 no body was found,\n"
                            "64 bad usage, 69 the camera library could not be used, "
                            "130/143 interrupted.";

} // namespace

ListOptions::Parsed ListOptions::parse(const QStringList &arguments, ListOptions &options,
                                       QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Print CSV (RFC 4180) with a header line."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print a JSON array of objects; with --watch, "
                                                 "one object per line."));
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   QStringLiteral("Keep looking every 0.5 s and print each body "
                                                  "as soon as it is plugged in and read."));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("Read at most <n> bodies at once (default: "
                                                 "all, up to %1).")
                                      .arg(maxDefaultJobs),
                                  QStringLiteral("n"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Give up on a body after <seconds> "
                                                    "(default: 30)."),
                                     QStringLiteral("seconds"));
    parser.addOptions({ csv, json, watch, jobs, timeout });

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
        if (!ok || options.jobs < 1 || options.jobs > kMaxJobs) {
            error = QStringLiteral("--jobs takes a whole number from 1 to %1").arg(kMaxJobs);
            return Parsed::BadUsage;
        }
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxTimeoutSeconds) {
            error = QStringLiteral("--timeout takes a number of seconds above 0, up to %1")
                        .arg(kMaxTimeoutSeconds);
            return Parsed::BadUsage;
        }
        options.timeoutMs = std::max(1, int(std::lround(seconds * 1000)));
    }
    return Parsed::Run;
}
