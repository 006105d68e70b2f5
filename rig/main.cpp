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

// The options, for the one parser that reads them.
QCommandLineOption describe(QCommandLineParser &parser)
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
    parser.addOption(timeout);
    return timeout;
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
    const QCommandLineOption timeout = describe(parser);
    parser.process(app);
    bool ok = false;
    const double seconds = parser.value(timeout).toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > EngineDefaults::mostTimeoutS) {
        std::fprintf(stderr, "%s: --timeout wants a number of seconds above 0\n",
                     qPrintable(QCoreApplication::applicationName()));
        return ExitStatus::badUsage;
    }

    const QString worker = workerProgram(SARVOLIN_WORKER, SARVOLIN_INSTALLED_WORKER);
    if (worker.isEmpty()) {
        QMessageBox::critical(nullptr, QCoreApplication::applicationName(),
                              QStringLiteral("Its worker program, %1, is missing; reinstall the "
                                             "program.")
                                  .arg(QStringLiteral(SARVOLIN_WORKER)));
        return ExitStatus::sdkUnavailable;
    }
    // An INI file on every system, so that a test or a second rig can be
    // given a file of its own.
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("sarvolin"),
                       QCoreApplication::applicationName());
    RigWindow window(worker, &settings, int(seconds * 1000));
    window.show();
    return app.exec();
}
