#pragma once

#include "broker/brokerclient.h"
#include "broker/hostreader.h"
#include "engine/bodycheck.h"
#include "lister/listoptions.h"

#include <QEventLoop>
#include <QObject>

#include <memory>

// The lister over a broker: every body of every host that publishes there,
// checked as this computer's are, with the bodies of a host that is lost or
// offline kept and said to be so. Once: as soon as the broker's retained
// picture is in. Watching: that, then every change.
class BrokerLister : public QObject
{
    Q_OBJECT

public:
    explicit BrokerLister(const ListOptions &options, QObject *parent = nullptr);

    // Runs to the end and answers the process's exit status.
    int run();

private:
    void printPicture();
    void printChange(BodyRow row);
    int statusOf(const QVector<BodyRow> &rows);
    BodyRow checked(BodyRow row) const;
    QVector<BodyRow> checkedRows();
    void end(int status);

    ListOptions options;
    BrokerClient client;
    HostReader reader;
    BodyCheck check;
    std::unique_ptr<RowPrinter> printer;
    QString lastFailure;
    int status = -1;
    QEventLoop *running = nullptr;
    bool printFailed = false;
};
