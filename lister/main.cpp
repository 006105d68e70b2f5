#include "engine/workerprogram.h"
#include "lister/bodylister.h"
#include "lister/brokerlister.h"
#include "lister/listoptions.h"
#include "worker/exitstatus.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // CSV lines end in CRLF as written, not in CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QCoreApplication app(argc, argv);
    // The name stays the program's own (sarvolin-list or sarvolin-list-demo).
    QCoreApplication::setApplicationVersion(QStringLiteral(SARVOLIN_VERSION));

    ListOptions options;
    QString error;
    switch (ListOptions::parse(QCoreApplication::arguments(), options, error)) {
    case ListOptions::Parsed::Exit:
        return 0;
    case ListOptions::Parsed::BadUsage: {
        const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more.\n", name.constData(),
                     qPrintable(error), name.constData());
        return ExitStatus::badUsage;
    }
    case ListOptions::Parsed::Run:
        break;
    }
    if (options.broker == ListOptions::Broker::From) {
        BrokerLister lister(options);
        return lister.run();
    }
    // The worker is a program of its own, without Qt, so that a rig's many
    // workers start quickly.
    const QString worker = workerProgram(SARVOLIN_WORKER, SARVOLIN_INSTALLED_WORKER);
    if (worker.isEmpty()) {
        std::fprintf(stderr, "%s: its worker program, %s, is missing; reinstall the program\n",
                     qPrintable(QCoreApplication::applicationName()), SARVOLIN_WORKER);
        return ExitStatus::sdkUnavailable;
    }
    BodyLister lister(options, worker);
    return lister.run();
}
