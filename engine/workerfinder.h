#pragma once

#include "engine/finder.h"

#include <QElapsedTimer>
#include <QString>

class WorkerProcess;

// Finds the attached bodies in a finding worker (`WORKER --find`), which
// keeps its camera library up and looks by itself every look interval, so
// that the caller's thread never waits on a camera. A worker that ends
// without a word, fails to start or crashes counts as the library failing,
// and so does one silent for as long as a body may take (it is killed); the
// next look starts it again.
class WorkerFinder : public Finder
{
    Q_OBJECT

public:
    WorkerFinder(QString worker, int silentMs, QObject *parent = nullptr);

    // The first look's to say.
    EdsError start() override { return EDS_ERR_OK; }
    void look() override;
    // Asks the worker to let go of its library; idle() follows when it ended.
    void stop() override;
    bool isIdle() const override { return !process; }

private:
    void lineRead(const QByteArray &line);
    void ended(bool cleanly);

    QString worker;
    int silentMs;
    WorkerProcess *process = nullptr;
    bool saidSomething = false;
    bool stopping = false;
    QElapsedTimer quiet; // since its last line
};
