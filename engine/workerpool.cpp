#include "engine/workerpool.h"

#include "camera/bodyid.h"
#include "engine/bodyfield.h"
#include "engine/workerprocess.h"
#include "worker/workerprotocol.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Time for a worker that ran out of time to close its session: less than
// when the program is stopped, as it is stuck already.
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

// Nothing outlives the pool: each worker's process kills a worker still running.
WorkerPool::~WorkerPool() = default;

void WorkerPool::setInterrupted(std::function<bool()> asked)
{
    interrupted = std::move(asked);
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
    auto *process = new WorkerProcess(this);
    auto *timer = new QTimer(process);
    timer->setSingleShot(true);
    running.push_back(Worker { body, process, timer });

    connect(process, &WorkerProcess::lineRead, this, [this, process](const QByteArray &line) {
        if (Worker *worker = workerOf(process))
            worker->answer = line;
    });
    connect(process, &WorkerProcess::ended, this,
            [this, process](bool cleanly, const QList<QByteArray> &said) {
                finished(process, cleanly, said);
            });
    connect(timer, &QTimer::timeout, this, [this, process] {
        if (Worker *worker = workerOf(process)) {
            worker->timedOut = true;
            process->windDown(kTimedOutGraceMs);
        }
    });

    timer->start(timeoutMs);
    QStringList arguments = options;
    arguments << body.port;
    if (!body.address.isEmpty())
        arguments << body.address;
    process->start(program, arguments);
}

void WorkerPool::stop()
{
    stopping = true;
    waiting.clear();
    for (Worker &worker : running)
        worker.process->windDown();
    if (running.empty())
        emit idle();
}

WorkerPool::Worker *WorkerPool::workerOf(WorkerProcess *process)
{
    const auto it = std::find_if(running.begin(), running.end(),
                                 [&](const Worker &worker) { return worker.process == process; });
    return it == running.end() ? nullptr : &*it;
}

void WorkerPool::finished(WorkerProcess *process, bool cleanly, const QList<QByteArray> &said)
{
    Worker *worker = workerOf(process);
    if (!worker)
        return;
    BodyRow row = worker->row;
    const bool timedOut = worker->timedOut;
    WorkerProtocol::BodyAnswer answer;
    const bool hasRow = cleanly && WorkerProtocol::decode(worker->answer.toStdString(), answer);
    running.erase(running.begin() + (worker - running.data()));
    process->disconnect(this);
    process->deleteLater();

    if (timedOut) {
        row.failure = ReadFailure::TimedOut;
        emit rowRead(row);
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
        emit rowRead(row);
    } else if (!stopping && !interrupted()) {
        // A worker stopped before it answered has no row to give.
        row.failure = ReadFailure::WorkerFailed;
        emit rowRead(row);
    }
    for (const QByteArray &line : said)
        emit libraryMessage(row.port, line);

    startWaiting();
    if (running.empty() && (stopping || waiting.isEmpty()))
        emit idle();
}
