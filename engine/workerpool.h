#pragma once

#include "engine/bodyrow.h"

#include <QObject>
#include <QProcess>
#include <QQueue>
#include <QString>

#include <vector>

class QTimer;

// Reads bodies, each in a worker process of its own (`program`, the lister's
// worker, started with `options` ahead of the body's port), at most `jobs` at
// a time. A worker that has not answered within the timeout is stopped and
// its row says so.
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

signals:
    // A body's row: read, or failed with its reason.
    void read(const BodyRow &row);
    void idle();
    // What a worker's camera library wrote to its error output, a line at a
    // time, when the worker has ended.
    void said(const QString &port, const QByteArray &line);

private:
    struct Worker {
        BodyRow row;
        QProcess *process = nullptr;
        QTimer *timer = nullptr;
        bool timedOut = false;
        bool asked = false; // to wind down
    };

    void startWaiting();
    void start(const BodyRow &body);
    void windDown(Worker &worker, int graceMs);
    void finished(QProcess *process);
    Worker *workerOf(QProcess *process);

    QString program;
    QStringList options;
    int jobs;
    int timeoutMs;
    bool stopping = false;
    int startedThisPass = 0;
    bool nextPassAsked = false;
    QQueue<BodyRow> waiting;
    std::vector<Worker> running;
};
