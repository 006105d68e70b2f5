#include "engine/workerpool.h"

#include "camera/bodyid.h"
#include "engine/bodyfield.h"
#include "worker/stoprequests.h"
#include "worker/workerprotocol.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Time for a worker to close its session and stop its SDK once asked to:
// when the program is stopped, and (less, as it is stuck already) when it
// has run out of time.
constexpr int kGraceMs = 3000;
constexpr int kTimedOutGraceMs = 1000;
constexpr int kStartsPerPass = 4;

} // namespace

WorkerPool::WorkerPool(QString program, QStringList options, int jobs, int timeoutMs,
                       QObject *parent)
    : QObject(parent)
    , program(std::move(program))
    , options(std::move(options))
    , jobs(std::max(1, jobs))
    , timeoutMs(timeoutMs)
{ }

// Nothing outlives the pool: a worker still running is killed.
WorkerPool::~WorkerPool()
{
    for (Worker &worker : running) {
        worker.process->disconnect(this);
        worker.process->kill();
        worker.process->waitForFinished(kGraceMs);
    }
}

void WorkerPool::add(const BodyRow &body)
{
    if (stopping)
        return;
    waiting.enqueue(body);
    startWaiting();
}

bool WorkerPool::isReading(const QString &port) const
{
    const auto same = [&](const BodyRow &row) { return row.port == port; };
    return std::any_of(running.begin(), running.end(),
                       [&](const Worker &worker) { return same(worker.row); })
        || std::any_of(waiting.begin(), waiting.end(), same);
}

// A few at a time, each batch in a pass of its own through the event loop:
// starting a process takes the thread a millisecond or more, and a window
// that started a whole rig's workers at once would stall for as long.
void WorkerPool::startWaiting()
{
    while (!stopping && !waiting.isEmpty() && int(running.size()) < jobs) {
        if (startedThisPass == kStartsPerPass) {
            if (!nextPassAsked) {
                nextPassAsked = true;
                QTimer::singleShot(0, this, [this] {
                    nextPassAsked = false;
                    startedThisPass = 0;
                    startWaiting();
                });
            }
            return;
        }
        ++startedThisPass;
        start(waiting.dequeue());
    }
}

void WorkerPool::start(const BodyRow &body)
{
    auto *process = new QProcess(this);
    // A worker's own messages are the camera library's; the row says what
    // went wrong, and they are passed on only when asked for.
    process->setProcessChannelMode(QProcess::SeparateChannels);
    auto *timer = new QTimer(process);
    timer->setSingleShot(true);
    running.push_back(Worker { body, process, timer });

    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process] { finished(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finished(process);
    });
    connect(timer, &QTimer::timeout, this, [this, process] {
        if (Worker *worker = workerOf(process)) {
            worker->timedOut = true;
            windDown(*worker, kTimedOutGraceMs);
        }
    });

    timer->start(timeoutMs);
    QStringList arguments = options;
    arguments << body.port;
    if (!body.address.isEmpty())
        arguments << body.address;
    process->start(program, arguments);
}

// Asked first, so that it can close its session; killed if it does not end.
void WorkerPool::windDown(Worker &worker, int graceMs)
{
    QProcess *process = worker.process;
    if (worker.asked) {
        process->kill();
        return;
    }
    worker.asked = true;
    // Its input closing is what reaches a worker on every system.
    process->closeWriteChannel();
    process->terminate();
    worker.timer->disconnect();
    connect(worker.timer, &QTimer::timeout, process, &QProcess::kill);
    worker.timer->start(graceMs);
}

void WorkerPool::stop()
{
    const bool again = stopping;
    stopping = true;
    waiting.clear();
    for (Worker &worker : running) {
        if (again)
            worker.asked = true;
        windDown(worker, kGraceMs);
    }
    if (running.empty())
        emit idle();
}

WorkerPool::Worker *WorkerPool::workerOf(QProcess *process)
{
    const auto it = std::find_if(running.begin(), running.end(),
                                 [&](const Worker &worker) { return worker.process == process; });
    return it == running.end() ? nullptr : &*it;
}

void WorkerPool::finished(QProcess *process)
{
    Worker *worker = workerOf(process);
    if (!worker)
        return;
    BodyRow row = worker->row;
    const bool timedOut = worker->timedOut;
    const bool answered = process->error() != QProcess::FailedToStart
        && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    WorkerProtocol::BodyAnswer answer;
    const bool hasRow = answered
        && WorkerProtocol::decode(process->readAllStandardOutput().toStdString(), answer);
    const QList<QByteArray> said = process->readAllStandardError().split('\n');
    running.erase(running.begin() + (worker - running.data()));
    process->disconnect(this);
    process->deleteLater();

    // A worker stopped before it answered has no row to give. Ctrl+C reaches
    // the workers as it reaches us, and one may end before we see it.
    const bool goingDown = stopping || StopRequests::caught() != 0;
    if (timedOut) {
        row.failure = ReadFailure::TimedOut;
        emit read(row);
    } else if (hasRow) {
        row.failure = answer.failure;
        // The field reads as the window reads it; text that is no ID is none.
        // A body whose clock could not be set still has its ID.
        QString bodyId;
        if (bodyIdFromField(answer.idField.data(), answer.idField.size(), bodyId)
            && !bodyId.isEmpty())
            row.bodyId = bodyId;
        else if (row.wasRead())
            row.failure = ReadFailure::NoId;
        BodyField::takeAll(answer, row);
        emit read(row);
    } else if (!goingDown) {
        row.failure = ReadFailure::WorkerFailed;
        emit read(row);
    }
    for (const QByteArray &line : said) {
        if (!line.trimmed().isEmpty())
            emit this->said(row.port, line.endsWith('\r') ? line.chopped(1) : line);
    }

    startWaiting();
    if (running.empty() && (stopping || waiting.isEmpty()))
        emit idle();
}
