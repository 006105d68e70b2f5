#include "engine/workerprocess.h"

#include <QTimer>

WorkerProcess::WorkerProcess(QObject *parent)
    : QObject(parent)
    , process(new QProcess(this))
    , grace(new QTimer(this))
{
    // A worker's own messages are the camera library's; they are passed on
    // only when asked for.
    process->setProcessChannelMode(QProcess::SeparateChannels);
    grace->setSingleShot(true);
    connect(grace, &QTimer::timeout, process, &QProcess::kill);
    connect(process, &QProcess::readyReadStandardOutput, this, &WorkerProcess::readLines);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this] { finish(true); });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
}

WorkerProcess::~WorkerProcess()
{
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(stopGraceMs);
    }
}

void WorkerProcess::start(const QString &program, const QStringList &arguments)
{
    process->start(program, arguments);
}

void WorkerProcess::windDown(int graceMs)
{
    if (asked) {
        kill();
        return;
    }
    asked = true;
    // Its input closing is what reaches a worker on every system.
    process->closeWriteChannel();
    process->terminate();
    grace->start(graceMs);
}

void WorkerProcess::kill()
{
    asked = true;
    process->kill();
}

void WorkerProcess::readLines()
{
    pending += process->readAllStandardOutput();
    int end = 0;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        emit lineRead(line);
    }
}

void WorkerProcess::finish(bool started)
{
    if (done)
        return;
    done = true;
    grace->stop();
    readLines();
    if (!pending.isEmpty())
        emit lineRead(std::exchange(pending, QByteArray()));
    const bool cleanly
        = started && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    QList<QByteArray> said;
    for (QByteArray line : process->readAllStandardError().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            said << line;
    }
    emit ended(cleanly, said);
}
