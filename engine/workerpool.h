#pragma once

#include "engine/bodyrow.h"

#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QTimer;
class WorkerProcess;

// Reads bodies, each in a worker process of its own (`program`, started with
// `options` ahead of the body's port), at most `jobs` at a time. A worker
// that has not answered within the timeout is stopped and its row says so.
class WorkerPool : public QObject
{
    Q_OBJECT

public:
    WorkerPool(QString program, QStringList options, int jobs, int timeoutMs,
               QObject *parent = nullptr);
    ~WorkerPool() override;

    void add(const BodyRow &body);
    bool isReading(const QString &port) const;
    bool isIdle() const { return running.empty() && waiting.isEmpty(); }

    // Starts no more workers and asks the running ones to wind down; those
    // that have not ended after a grace period are killed. A second call
    // kills them at once. idle() follows when the last one has ended.
    void stop();
    // Whether the program was asked to stop before the pool heard of it: a
    // worker that ends unanswered then has no row to give. A stop request
    // reaches the workers as it reaches the program, and one may end first.
    void setInterrupted(std::function<bool()> interrupted);

signals:
    // A body's row: read, or failed with its reason.
    void rowRead(const BodyRow &row);
    void idle();
    // What a worker's camera library wrote to its error output, a line at a
    // time, when the worker has ended.
    void libraryMessage(const QString &port, const QByteArray &line);

private:
    struct Worker {
        BodyRow row;
        WorkerProcess *process = nullptr;
        QTimer *timer = nullptr;
        QByteArray answer = {}; // its last line
        bool timedOut = false;
    };

    void startWaiting();
    void start(const BodyRow &body);
    void finished(WorkerProcess *process, bool cleanly, const QList<QByteArray> &said);
    Worker *workerOf(WorkerProcess *process);

    QString program;
    QStringList options;
    int jobs;
    int timeoutMs;
    std::function<bool()> interrupted = [] { return false; };
    bool stopping = false;
    int startedThisPass = 0;
    bool nextPassAsked = false;
    QQueue<BodyRow> waiting;
    std::vector<Worker> running;
};
