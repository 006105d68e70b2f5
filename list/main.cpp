#include "list/bodylister.h"
#include "list/bodyreader.h"
#include "list/listoptions.h"
#include "list/stopsignals.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Worker mode: one body, one line of JSON on stdout for the lister.
int readOneBody(const QString &port, const QString &address)
{
    StopSignals::catchSignals();
    StopSignals::stopAtEndOfInput(SIGTERM);
    BodyReader reader([] { return StopSignals::caught() != 0; });
    const BodyReader::Result result = reader.read(port, address);
    if (result.stopped)
        return 128 + StopSignals::caught();
    const QJsonObject answer { { QStringLiteral("body_id"), result.bodyId },
                               { QStringLiteral("error"), result.error } };
    const QByteArray line = QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

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
        return BodyLister::BadUsage;
    }
    case ListOptions::Parsed::Run:
        break;
    }
    if (!options.workerPort.isEmpty())
        return readOneBody(options.workerPort, options.workerAddress);
    BodyLister lister(options, QCoreApplication::applicationFilePath());
    return lister.run();
}
