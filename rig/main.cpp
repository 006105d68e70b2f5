#include "broker/brokeroptions.h"
#include "display/displaycheck.h"
#include "engine/enginedefaults.h"
#include "engine/workerprogram.h"
#include "rig/rigwindow.h"
#include "worker/exitstatus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QSettings>

#include <cstdio>

namespace {

struct Options {
    QCommandLineOption timeout;
    QCommandLineOption broker;
};

// The options, for the one parser that reads them.
Options describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Shows every attached camera body in one live table."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QString seconds = QString::number(EngineDefaults::timeoutMs / 1000);
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Give up on a body after SECONDS (default %1).").arg(seconds),
        QStringLiteral("SECONDS"), seconds);
    const QCommandLineOption broker(
        QStringLiteral("broker"),
        QStringLiteral("Show every body of every host that publishes to the MQTT broker at "
                       "<url>, rather than this computer's."),
        QStringLiteral("url"));
    using BrokerOptions::Option;
    parser.addOptions(
        { timeout, broker, BrokerOptions::option(Option::TopicPrefix),
          BrokerOptions::option(Option::PasswordFile), BrokerOptions::option(Option::CaFile),
          BrokerOptions::option(Option::CertFile), BrokerOptions::option(Option::KeyFile),
          BrokerOptions::option(Option::Keepalive) });
    return { timeout, broker };
}

int usageError(const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(text));
    return ExitStatus::badUsage;
}

bool asksForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all"
            || argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Help and version need no display.
    if (asksForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(SARVOLIN_VERSION));
        QCommandLineParser parser;
        describe(parser);
        parser.process(app);
        return 0;
    }
    // Without a display the toolkit would abort; say so plainly instead.
    DisplayCheck display(argc, argv);
    if (!display.problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.problem()));
        return 1;
    }
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SARVOLIN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(SARVOLIN_RIG_APP_ID));
    display.release();

    QCommandLineParser parser;
    const Options options = describe(parser);
    parser.process(app);
    // An INI file on every system, so that a test or a second rig can be
    // given a file of its own.
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("sarvolin"),
                       QCoreApplication::applicationName());

    if (parser.isSet(options.broker)) {
        if (parser.isSet(options.timeout))
            return usageError(QStringLiteral("--timeout does not go with --broker"));
        BrokerClient::Settings broker;
        QString topicPrefix = QStringLiteral("sarvolin");
        QString error;
        if (!BrokerOptions::read(parser, parser.value(options.broker), broker, topicPrefix, error))
            return usageError(error);
        RigWindow window(broker, topicPrefix, &settings);
        if (!window.openBroker(error))
            return usageError(QStringLiteral("the broker %1: %2").arg(broker.url.shown(), error));
        window.show();
        return app.exec();
    }
    for (const QString &name : parser.optionNames()) {
        if (name != options.timeout.names().constFirst())
            return usageError(QStringLiteral("--%1 goes with --broker").arg(name));
    }
    bool ok = false;
    const double seconds = parser.value(options.timeout).toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > EngineDefaults::mostTimeoutS)
        return usageError(QStringLiteral("--timeout wants a number of seconds above 0"));

    const QString worker = workerProgram(SARVOLIN_WORKER, SARVOLIN_INSTALLED_WORKER);
    if (worker.isEmpty()) {
        QMessageBox::critical(nullptr, QCoreApplication::applicationName(),
                              QStringLiteral("Its worker program, %1, is missing; reinstall the "
                                             "program.")
                                  .arg(QStringLiteral(SARVOLIN_WORKER)));
        return ExitStatus::sdkUnavailable;
    }
    RigWindow window(worker, &settings, int(seconds * 1000));
    window.show();
    return app.exec();
}
