#pragma once

#include "broker/brokerclient.h"
#include "broker/hostpublisher.h"
#include "engine/bodycheck.h"
#include "engine/bodyengine.h"
#include "engine/rowprinter.h"
#include "lister/listoptions.h"

#include <QObject>
#include <QVector>

// The console lister: takes the engine's rows, checks them and prints them,
// and tells the exit status. Once: every body attached now, sorted, then the exit
// status. Watching: every body as it is plugged in, until stopped, and
// with a broker, published there as well.
class BodyLister : public QObject
{
    Q_OBJECT

public:
    // `worker` is the program that reads one body.
    BodyLister(const ListOptions &options, QString worker, QObject *parent = nullptr);

    // Runs to the end and answers the process's exit status.
    int run();

private:
    int listOnce();
    int watch();
    void stop(int signal);
    void startPublishing();
    void finishPublishing();

    ListOptions options;
    RowPrinter printer;
    BodyCheck check;
    BodyEngine engine;
    int stopSignal = 0;
    bool printFailed = false;
    BrokerClient *client = nullptr;
    HostPublisher *publisher = nullptr;
    int brokerStatus = 0;
};
