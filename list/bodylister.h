#pragma once

#include "list/bodycheck.h"
#include "list/bodyfinder.h"
#include "list/listoptions.h"
#include "list/rowprinter.h"
#include "list/workerpool.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVector>

// The lister's own process: finds the bodies, hands each to a worker, and
// prints the rows. Once: every body attached now, sorted, then the exit
// status. Watching: every body as it is plugged in, until stopped.
class BodyLister : public QObject
{
    Q_OBJECT

public:
    // The exit statuses beyond 0 (every body read).
    enum Status { SomeFailed = 1, NoneFound = 2, BadUsage = 64, SdkUnavailable = 69 };

    // `worker` is the program that reads one body.
    BodyLister(const ListOptions &options, QString worker, QObject *parent = nullptr);

    // Runs to the end and answers the process's exit status.
    int run();

private:
    int listOnce();
    int watch();
    void look();
    void stop(int signal);
    QVector<BodyRow> findNow(EdsError &error);
    WorkerPool *makePool(int jobs);

    ListOptions options;
    QString worker;
    RowPrinter printer;
    BodyCheck check;
    BodyFinder finder;
    WorkerPool *pool = nullptr;
    QTimer lookTimer;
    QSet<QString> present; // ports seen at the last look
    EdsError lastLookError = EDS_ERR_OK;
    int stopSignal = 0;
    bool printFailed = false;
};
