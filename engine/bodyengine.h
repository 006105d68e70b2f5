#pragma once

#include "camera/edsdk.h"
#include "engine/bodyfinder.h"
#include "engine/bodyrow.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <QVector>

class WorkerPool;

// Finds the attached bodies, reads each in a worker process, and watches
// them come and go: the one engine under the console lister and the rig
// window, which only take its rows. Finding happens here, through the SDK
// (`Finding::Here`, for a console program that may wait), or in a finding
// worker (`Finding::InWorker`, for a window, whose thread must never wait
// on a camera).
class BodyEngine : public QObject
{
    Q_OBJECT

public:
    enum class Finding { Here, InWorker };

    // What each read asks of a body beyond its ID, how many bodies are read
    // at once (0: one worker per body, up to maxJobs), how long a body may
    // take, and whether every read sets the body's clock first.
    struct Reading {
        QStringList extras;
        int jobs = 0;
        int timeoutMs = 30 * 1000;
        bool setClock = false;
    };

    static constexpr int maxJobs = 128;
    static constexpr int lookIntervalMs = 500;

    // `worker` is the program that reads one body (and, with --find, looks).
    BodyEngine(QString worker, Finding finding, Reading reading, QObject *parent = nullptr);
    ~BodyEngine() override;

    // Finding here: starts the SDK, which answers the error where it cannot.
    // In a worker, this is the first look's to say (lookFailed).
    EdsError start();

    // One look now. Finding here, the bodies found (with their locations)
    // and the SDK's answer come back at once; in a worker, they arrive later.
    void look();
    EdsError lookHere(QVector<BodyRow> &bodies);
    // Lets go of the SDK started here; the workers start SDKs of their own.
    void stopFinding();

    // Reads these bodies: reading() for each, then its row.
    void read(const QVector<BodyRow> &bodies, bool setClock = false);
    // Looks every lookIntervalMs: each body seen for the first time since it
    // was last missing is read, each one gone is told.
    void watch();
    // Reads every body attached at the last look anew, setting its clock
    // first where asked; the only write the engine makes.
    void readAgain(bool setClock = false);

    // Bodies attached at the last look.
    QVector<BodyRow> attached() const { return present; }
    bool isReading(const QString &port) const;
    bool isIdle() const;

    // Starts nothing more and asks every worker to wind down, closing what
    // it opened; a second call kills them. idle() follows.
    void stop();

signals:
    // The SDK could not list the cameras, first time in a row only.
    void lookFailed(EdsError error);
    void lookRecovered();
    void reading(const BodyRow &body);
    // A body's row: read, or failed with its reason (the row has no check).
    void row(const BodyRow &row);
    void unplugged(const BodyRow &body);
    // What a worker's camera library wrote to its error output.
    void said(const QString &port, const QByteArray &line);
    void idle();

private:
    WorkerPool *poolFor(bool setClock, int bodies);
    void found(QVector<BodyRow> &bodies, EdsError error);
    void startFinder();
    void finderSaid();

    QString worker;
    Finding finding;
    Reading reading_;
    BodyFinder finder;
    QProcess *finderProcess = nullptr;
    QByteArray finderOutput;
    bool sawFinderLine = false;
    QElapsedTimer finderQuiet; // since its last line
    WorkerPool *plain = nullptr;
    WorkerPool *clockSetting = nullptr;
    QTimer lookTimer;
    bool watching = false;
    bool stopping = false;
    QVector<BodyRow> present; // at the last look that did not fail
    EdsError lastLookError = EDS_ERR_OK;
};
