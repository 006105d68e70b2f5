#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>

class QTimer;

// One worker program, run for the engine: started, its output handed on a
// line at a time, and wound down the one way every worker is, its input
// closed and a terminate first, so that it can close what it opened, then a
// kill if it has not ended after a grace time. Nothing outlives the object.
class WorkerProcess : public QObject
{
    Q_OBJECT

public:
    explicit WorkerProcess(QObject *parent = nullptr);
    ~WorkerProcess() override;

    // Time for a worker to close what it opened and stop its camera library
    // once asked to.
    static constexpr int stopGraceMs = 3000;

    void start(const QString &program, const QStringList &arguments);
    // Asks it to end, and kills it after `graceMs`; asked again, kills it.
    void windDown(int graceMs = stopGraceMs);
    void kill();

signals:
    void lineRead(const QByteArray &line);
    // It ended, or never started: `cleanly` when it exited by itself with
    // status 0. What it wrote to its error output comes with it, a line at a
    // time (the camera library's own words).
    void ended(bool cleanly, const QList<QByteArray> &said);

private:
    void readLines();
    void finish(bool started);

    QProcess *process = nullptr;
    QTimer *grace = nullptr;
    QByteArray pending;
    bool asked = false;
    bool done = false;
};
