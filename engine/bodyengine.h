#pragma once

#include "camera/edsdk.h"
#include "engine/bodyrow.h"
#include "engine/enginedefaults.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class Finder;
class WorkerPool;

// Finds the attached bodies, reads each in a worker process, and watches
// them come and go: the one engine under the console lister and the rig
// window, which only take its rows. Where the looks come from is the
// finder's business (finder.h).
class BodyEngine : public QObject
{
    Q_OBJECT

public:
    // What each read asks of a body beyond its ID, how many bodies are read
    // at once (0: one worker per body, up to EngineDefaults::jobs), how long a
    // body may take, and whether every read sets the body's clock first.
    struct ReadPlan {
        QStringList extras;
        int jobs = 0;
        int timeoutMs = EngineDefaults::timeoutMs;
        bool setClock = false;
    };

    // `worker` is the program that reads one body; the engine owns `finder`.
    BodyEngine(QString worker, Finder *finder, ReadPlan plan, QObject *parent = nullptr);
    ~BodyEngine() override;

    // The camera library's error where the finder cannot start.
    EdsError start();
    // One look now; its bodies are attached() once it is answered.
    void look();
    // Lets go of what the finder holds; the workers start SDKs of their own.
    void stopFinding();

    // Reads these bodies: bodyQueued() for each, then its row.
    void readBodies(const QVector<BodyRow> &bodies, bool setClock = false);
    // Looks every look interval: each body seen for the first time since it
    // was last missing is read, each one gone is told.
    void watch();
    // Reads every body attached at the last look anew, setting its clock
    // first where asked; the only write the engine makes.
    void readAgain(bool setClock = false);

    // Bodies attached at the last look that did not fail, and that look's error.
    QVector<BodyRow> attached() const { return present; }
    EdsError lastLookError() const { return lookError; }
    bool isReading(const QString &port) const;
    bool isIdle() const;

    // Starts nothing more and asks every worker to wind down, closing what
    // it opened; a second call kills them. idle() follows.
    void stop();
    // See WorkerPool::setInterrupted().
    void setInterrupted(std::function<bool()> interrupted);

signals:
    // The SDK could not list the cameras, first time in a row only.
    void lookFailed(EdsError error);
    void lookRecovered();
    // Every body a look found attached.
    void looked(const QVector<BodyRow> &bodies);
    void bodyQueued(const BodyRow &body);
    // A body's row: read, or failed with its reason (the row has no findings).
    void rowRead(const BodyRow &row);
    void unplugged(const BodyRow &body);
    // What a worker's camera library wrote to its error output.
    void libraryMessage(const QString &port, const QByteArray &line);
    void idle();

private:
    WorkerPool *poolFor(bool setClock, int bodies);
    void found(QVector<BodyRow> bodies, EdsError error);
    void idleIfDone();

    QString worker;
    Finder *finder;
    ReadPlan plan;
    std::function<bool()> interrupted = [] { return false; };
    WorkerPool *plain = nullptr;
    WorkerPool *clockSetting = nullptr;
    QTimer lookTimer;
    bool watching = false;
    bool stopping = false;
    QVector<BodyRow> present;
    EdsError lookError = EDS_ERR_OK;
};
